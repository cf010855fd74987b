// The 32-bit Windows module called as some hosts call it: with the stack only
// 4-byte aligned. A small trampoline calls the module's entries with the stack
// pointer 4, 8 or 12 bytes off a 16-byte boundary at the call, and the output
// must equal, bit for bit, that of the same calls made the ordinary way.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "tests/support/TestMain.h"
#include "tools/PluginLoader.h"

#if defined(_WIN32) && defined(__i386__)

// Calls fn with `count` 32-bit arguments, the stack pointer `offset` bytes
// below a 16-byte boundary at the call instruction; answers what fn left in eax.
extern "C" std::uint32_t callMisaligned(const void* fn, std::uint32_t offset, const std::uint32_t* args,
                                         std::uint32_t count) __asm__("korvo_call_misaligned");
// Records the stack pointer it finds on entry, then returns.
extern "C" void stackProbe() __asm__("korvo_stack_probe");
extern "C" std::uint32_t probedStack __asm__("korvo_probed_stack");
std::uint32_t probedStack = 0;

__asm__(R"(
    .text
    .globl korvo_call_misaligned
korvo_call_misaligned:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 16(%ebp), %esi
    movl 20(%ebp), %ecx
    andl $-16, %esp
    subl 12(%ebp), %esp
    leal 15(,%ecx,4), %eax
    andl $-16, %eax
    subl %eax, %esp
    xorl %edx, %edx
1:
    cmpl %ecx, %edx
    jae 2f
    movl (%esi,%edx,4), %eax
    movl %eax, (%esp,%edx,4)
    incl %edx
    jmp 1b
2:
    call *8(%ebp)
    leal -8(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebp
    ret

    .globl korvo_stack_probe
korvo_stack_probe:
    movl %esp, korvo_probed_stack
    ret
)");

namespace {

VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::uint32_t bits(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

std::uint32_t word(const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); }

// Drives one effect either the ordinary way or through the trampoline.
struct Caller {
    AEffect* effect;
    std::uint32_t offset;
    bool misaligned;

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
    {
        if (!misaligned) return effect->dispatcher(effect, opcode, index, value, ptr, opt);
        const std::uint32_t args[] = {word(effect), std::uint32_t(opcode), std::uint32_t(index),
                                      std::uint32_t(value), word(ptr), bits(opt)};
        return VstIntPtr(callMisaligned(reinterpret_cast<const void*>(effect->dispatcher), offset, args, 6));
    }
    void setParameter(VstInt32 index, float value)
    {
        if (!misaligned) return effect->setParameter(effect, index, value);
        const std::uint32_t args[] = {word(effect), std::uint32_t(index), bits(value)};
        callMisaligned(reinterpret_cast<const void*>(effect->setParameter), offset, args, 3);
    }
    void process(float** in, float** out, VstInt32 frames)
    {
        if (!misaligned) return effect->processReplacing(effect, in, out, frames);
        const std::uint32_t args[] = {word(effect), word(in), word(out), std::uint32_t(frames)};
        callMisaligned(reinterpret_cast<const void*>(effect->processReplacing), offset, args, 4);
    }
};

class MisalignedStack : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(testModulePath().empty()) << "run with --module=PATH";
        loader = std::make_unique<PluginLoader>(testModulePath());
        ASSERT_TRUE(loader->isLoaded()) << loader->error();
        entry = loader->entry("VSTPluginMain");
        ASSERT_NE(entry, nullptr);
    }
    std::unique_ptr<PluginLoader> loader;
    PluginLoader::Entry entry = nullptr;
};

TEST_F(MisalignedStack, TheTrampolineCallsWithTheStackOffAsAsked)
{
    for (std::uint32_t offset : {0u, 4u, 8u, 12u}) {
        callMisaligned(reinterpret_cast<const void*>(&stackProbe), offset, nullptr, 0);
        // On entry the return address sits on top: the call was made at probedStack + 4.
        EXPECT_EQ((probedStack + 4u + offset) % 16u, 0u) << "offset " << offset;
    }
}

TEST_F(MisalignedStack, ProcessingGivesTheSameBitsAsAnAlignedCall)
{
    // Every band active, then two of them (the other gains in the dead zone).
    const float all[10] = {0.3f, 0.9f, 0.05f, 0.2f, 0.7f, 0.4f, 0.85f, 0.1f, 0.6f, 0.0f};
    const float some[10] = {0.3f, 0.5f, 0.05f, 0.2f, 0.7f, 0.4f, 0.85f, 0.1f, 0.6f, 0.5f};
    const int blocks[] = {1, 5, 9, 16, 64, 333, 1024, 7, 4096};
    for (const float* values : {all, some}) {
        for (std::uint32_t offset : {4u, 8u, 12u}) {
            for (bool inPlace : {true, false}) {
                Caller aligned{entry(quietHost), 0, false};
                Caller shifted{entry(quietHost), offset, true};
                ASSERT_TRUE(aligned.effect && shifted.effect);
                for (Caller* c : {&aligned, &shifted}) {
                    c->dispatch(effOpen, 0, 0, nullptr, 0.0f);
                    c->dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
                    c->dispatch(effSetBlockSize, 0, 4096, nullptr, 0.0f);
                    c->dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);
                    for (int k = 0; k < 10; ++k) c->setParameter(k, values[k]);
                }
                std::uint32_t noise = 0x2545F491u;
                for (int frames : blocks) {
                    std::vector<float> in[2], out[2][2];
                    for (int ch = 0; ch < 2; ++ch) {
                        in[ch].resize(size_t(frames));
                        for (float& s : in[ch]) {
                            noise ^= noise << 13;
                            noise ^= noise >> 17;
                            noise ^= noise << 5;
                            s = float(std::int32_t(noise)) * (0.5f / 2147483648.0f);
                        }
                        out[0][ch] = out[1][ch] = inPlace ? in[ch] : std::vector<float>(size_t(frames), 9.0f);
                    }
                    for (int who = 0; who < 2; ++who) {
                        std::vector<float> source[2] = {in[0], in[1]};
                        float* ins[2] = {inPlace ? out[who][0].data() : source[0].data(),
                                         inPlace ? out[who][1].data() : source[1].data()};
                        float* outs[2] = {out[who][0].data(), out[who][1].data()};
                        (who == 0 ? aligned : shifted).process(ins, outs, frames);
                    }
                    for (int ch = 0; ch < 2; ++ch) {
                        ASSERT_EQ(std::memcmp(out[0][ch].data(), out[1][ch].data(), sizeof(float) * size_t(frames)), 0)
                            << "offset " << offset << ", " << frames << " frames, channel " << ch
                            << (inPlace ? ", in place" : ", apart");
                    }
                }
                for (Caller* c : {&aligned, &shifted}) {
                    c->dispatch(effMainsChanged, 0, 0, nullptr, 0.0f);
                    c->dispatch(effClose, 0, 0, nullptr, 0.0f);
                }
            }
        }
    }
}

}  // namespace

#endif
