// What the audio thread must never do: allocate, lock, wait, yield, sleep or
// enter the kernel. This program has its own versions of the C library's and
// the C++ runtime's functions that do so; each counts the calls made on a
// thread marked as the audio thread, then does the real work. korvo_core is
// linked in statically, so its calls reach them too.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "clap/EqInstance.h"
#include "clap/PluginFactory.h"
#include "eq/EqEffect.h"
#include "tests/support/ClapHost.h"

#define KORVO_CALLS(X)                                                                                          \
    X(malloc) X(calloc) X(realloc) X(free) X(aligned_alloc) X(posix_memalign) X(operator_new) X(operator_delete) \
    X(pthread_mutex_lock) X(pthread_mutex_trylock) X(pthread_rwlock_rdlock) X(pthread_rwlock_wrlock)            \
    X(pthread_rwlock_tryrdlock) X(pthread_rwlock_trywrlock) X(pthread_rwlock_timedrdlock)                       \
    X(pthread_rwlock_timedwrlock) X(pthread_rwlock_clockrdlock) X(pthread_rwlock_clockwrlock)                   \
    X(pthread_spin_lock) X(sem_wait) X(pthread_cond_wait) X(pthread_cond_timedwait) X(pthread_cond_clockwait)   \
    X(sched_yield) X(nanosleep) X(clock_nanosleep) X(usleep) X(syscall)
#define KORVO_ENUMERATOR(name) name,
#define KORVO_NAME(name) #name,

namespace {

namespace counted {
enum Call : int { KORVO_CALLS(KORVO_ENUMERATOR) kCalls };
}
const char* const kCallNames[counted::kCalls] = {KORVO_CALLS(KORVO_NAME)};
std::atomic<unsigned long> counts[counted::kCalls];
thread_local bool onAudioThread = false;

void tally(counted::Call call)
{
    if (onAudioThread) {
        counts[call].fetch_add(1, std::memory_order_relaxed);
    }
}

void resetCounts()
{
    for (std::atomic<unsigned long>& count : counts) {
        count.store(0, std::memory_order_relaxed);
    }
}

// The next definition of `name` after this program's, looked up on first use.
// dlsym may allocate; the allocation functions below never need it.
void* resolve(std::atomic<void*>& slot, const char* name)
{
    void* function = slot.load(std::memory_order_relaxed);
    if (!function) {
        function = dlsym(RTLD_NEXT, name);
        slot.store(function, std::memory_order_relaxed);
    }
    return function;
}

}  // namespace

// glibc's allocator under its own names.
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void* __libc_memalign(std::size_t, std::size_t);
extern "C" void __libc_free(void*);

extern "C" void* malloc(std::size_t size) noexcept { tally(counted::malloc); return __libc_malloc(size); }
extern "C" void* calloc(std::size_t n, std::size_t size) noexcept { tally(counted::calloc); return __libc_calloc(n, size); }
extern "C" void* realloc(void* p, std::size_t size) noexcept { tally(counted::realloc); return __libc_realloc(p, size); }
extern "C" void free(void* p) noexcept { tally(counted::free); __libc_free(p); }

#define KORVO_FORWARD(Ret, name, Params, Args, Noexcept)                  \
    extern "C" Ret name Params Noexcept                                    \
    {                                                                      \
        tally(counted::name);                                              \
        static std::atomic<void*> next{nullptr};                           \
        return reinterpret_cast<Ret(*) Params>(resolve(next, #name)) Args; \
    }
KORVO_FORWARD(void*, aligned_alloc, (std::size_t a, std::size_t n), (a, n), noexcept)
KORVO_FORWARD(int, posix_memalign, (void** p, std::size_t a, std::size_t n), (p, a, n), noexcept)
KORVO_FORWARD(int, pthread_mutex_lock, (pthread_mutex_t* m), (m), noexcept)
KORVO_FORWARD(int, pthread_mutex_trylock, (pthread_mutex_t* m), (m), noexcept)
KORVO_FORWARD(int, pthread_rwlock_rdlock, (pthread_rwlock_t* l), (l), noexcept)
KORVO_FORWARD(int, pthread_rwlock_wrlock, (pthread_rwlock_t* l), (l), noexcept)
KORVO_FORWARD(int, pthread_rwlock_tryrdlock, (pthread_rwlock_t* l), (l), noexcept)
KORVO_FORWARD(int, pthread_rwlock_trywrlock, (pthread_rwlock_t* l), (l), noexcept)
KORVO_FORWARD(int, pthread_rwlock_timedrdlock, (pthread_rwlock_t* l, const timespec* t), (l, t), noexcept)
KORVO_FORWARD(int, pthread_rwlock_timedwrlock, (pthread_rwlock_t* l, const timespec* t), (l, t), noexcept)
KORVO_FORWARD(int, pthread_rwlock_clockrdlock, (pthread_rwlock_t* l, clockid_t c, const timespec* t), (l, c, t), noexcept)
KORVO_FORWARD(int, pthread_rwlock_clockwrlock, (pthread_rwlock_t* l, clockid_t c, const timespec* t), (l, c, t), noexcept)
KORVO_FORWARD(int, pthread_spin_lock, (pthread_spinlock_t* s), (s), noexcept)
KORVO_FORWARD(int, sem_wait, (sem_t* s), (s), )
KORVO_FORWARD(int, pthread_cond_wait, (pthread_cond_t* c, pthread_mutex_t* m), (c, m), )
KORVO_FORWARD(int, pthread_cond_timedwait, (pthread_cond_t* c, pthread_mutex_t* m, const timespec* t), (c, m, t), )
KORVO_FORWARD(int, pthread_cond_clockwait, (pthread_cond_t* c, pthread_mutex_t* m, clockid_t k, const timespec* t),
              (c, m, k, t), )
KORVO_FORWARD(int, sched_yield, (), (), noexcept)
KORVO_FORWARD(int, nanosleep, (const timespec* t, timespec* left), (t, left), )
KORVO_FORWARD(int, clock_nanosleep, (clockid_t c, int f, const timespec* t, timespec* left), (c, f, t, left), )
KORVO_FORWARD(int, usleep, (useconds_t us), (us), )

extern "C" long syscall(long number, ...) noexcept
{
    tally(counted::syscall);
    long a[6];
    va_list args;
    va_start(args, number);
    for (long& arg : a) {
        arg = va_arg(args, long);
    }
    va_end(args);
    static std::atomic<void*> next{nullptr};
    return reinterpret_cast<long (*)(long, ...)>(resolve(next, "syscall"))(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

namespace {
constexpr std::align_val_t kPlain{alignof(std::max_align_t)};
void* allocate(std::size_t size, std::align_val_t alignment) noexcept
{
    tally(counted::operator_new);
    return __libc_memalign(static_cast<std::size_t>(alignment), size ? size : 1);
}
void* allocateOrThrow(std::size_t size, std::align_val_t alignment)
{
    void* p = allocate(size, alignment);
    return p ? p : throw std::bad_alloc();
}
void release(void* p) noexcept { tally(counted::operator_delete); __libc_free(p); }
}  // namespace

#define KORVO_ALLOCATION_FORMS(New, Delete)                                                                          \
    void* operator New(std::size_t n) { return allocateOrThrow(n, kPlain); }                                         \
    void* operator New(std::size_t n, std::align_val_t a) { return allocateOrThrow(n, a); }                          \
    void* operator New(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n, kPlain); }                \
    void* operator New(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return allocate(n, a); } \
    void operator Delete(void* p) noexcept { release(p); }                                                           \
    void operator Delete(void* p, std::size_t) noexcept { release(p); }                                              \
    void operator Delete(void* p, std::align_val_t) noexcept { release(p); }                                         \
    void operator Delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }                            \
    void operator Delete(void* p, const std::nothrow_t&) noexcept { release(p); }                                    \
    void operator Delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
KORVO_ALLOCATION_FORMS(new, delete)
KORVO_ALLOCATION_FORMS(new[], delete[])

namespace {

// Numbers for the writers and the audio thread alike, kept in the caller's state.
std::uint32_t next(std::uint32_t& state) { return state = state * 1664525u + 1013904223u; }
VstInt32 anyIndex(std::uint32_t& state) { return static_cast<VstInt32>(next(state) >> 16) % kNumParameters; }
float anyValue(std::uint32_t& state) { return static_cast<float>(next(state) >> 8) / 16777216.0f; }

// Else the counts of zero below would prove nothing.
TEST(AudioThread, TheCountsSeeEachKindOfCallMadeOnTheAudioThread)
{
    std::mutex mutex;
    resetCounts();
    onAudioThread = true;
    int* volatile number = new int(1);
    delete number;
    void* volatile block = std::malloc(8);
    std::free(block);
    mutex.lock();
    mutex.unlock();
    std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::nanoseconds(1));  // from inside the shared C++ runtime
    syscall(SYS_getpid);
    onAudioThread = false;
    for (counted::Call call : {counted::operator_new, counted::operator_delete, counted::malloc, counted::free,
                               counted::pthread_mutex_lock, counted::sched_yield, counted::nanosleep, counted::syscall}) {
        EXPECT_GT(counts[call].load(), 0u) << kCallNames[call];
    }
}

TEST(AudioThread, MakesNoCountedCallWhileOtherThreadsChangeTheSettings)
{
    EqEffect effect(nullptr);
    ASSERT_TRUE(effect.isReady());
    constexpr int kWriters = 3;
    constexpr VstInt32 kFrames = 256;
    std::atomic<int> writersStarted{0};
    std::atomic<long> writerCalls{0};
    std::atomic<bool> stop{false}, audioDone{false};
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            std::uint32_t state = 2u + static_cast<std::uint32_t>(w);
            float program[kNumParameters];
            char text[kVstMaxParamStrLen + 1];
            void* chunk = nullptr;
            ++writersStarted;
            for (; !audioDone.load(); writerCalls.fetch_add(1, std::memory_order_relaxed)) {
                effect.setParameter(anyIndex(state), anyValue(state));
                if (w == 0) {  // the host's request thread
                    for (float& value : program) {
                        value = anyValue(state);
                    }
                    effect.setChunk(program, static_cast<VstInt32>(sizeof program), true);
                    effect.getChunk(&chunk, true);
                    effect.getParameterDisplay(anyIndex(state), text);
                }
            }
        });
    }

    std::vector<float> audio(4 * kFrames, 0.25f);
    float* inputs[2] = {&audio[0], &audio[kFrames]};
    float* outputs[2] = {&audio[2 * kFrames], &audio[3 * kFrames]};
    const float rates[3] = {44100.0f, 48000.0f, 96000.0f};
    long blocks = 0, writerCallsMeanwhile = 0;
    resetCounts();
    std::thread audioThread([&] {
        while (writersStarted.load() < kWriters) {
        }
        const long writerCallsBefore = writerCalls.load();
        onAudioThread = true;
        std::uint32_t state = 1;
        for (; !stop.load(std::memory_order_relaxed); ++blocks) {
            for (int i = 0; i < 4; ++i) {
                effect.setParameter(anyIndex(state), anyValue(state));
            }
            if (blocks % 64 == 0) {
                effect.setSampleRate(rates[blocks / 64 % 3]);
            }
            if (blocks % 5 == 0) {
                effect.setBypassed(blocks % 3 == 0);  // bypassed, fading, or heard
            }
            effect.processReplacing(inputs, outputs, kFrames);
        }
        onAudioThread = false;
        writerCallsMeanwhile = writerCalls.load() - writerCallsBefore;
        audioDone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    stop = true;
    audioThread.join();
    for (std::thread& writer : writers) {
        writer.join();
    }

    for (int call = 0; call < counted::kCalls; ++call) {
        EXPECT_EQ(counts[call].load(), 0u) << kCallNames[call] << " on the audio thread";
    }
    EXPECT_GT(blocks, 1000);
    EXPECT_GT(writerCallsMeanwhile, 1000) << "the settings changed while the audio thread ran";
}

// The CLAP face's audio-thread calls (process, with values to set and the
// editor's gestures to hand over, and params.flush) while the editor's thread
// makes gestures and the host saves the state.
TEST(AudioThread, TheClapFaceMakesNoCountedCallWhileTheEditorQueuesGestures)
{
    ClapHost host(korvo_clap::PluginFactory::factory());
    ClapHost::Plugin plugin(host, korvo_clap::PluginFactory::kPluginId);
    ASSERT_TRUE(plugin.isReady());
    ASSERT_TRUE(plugin.start(48000.0, 256));
    auto& instance = *static_cast<korvo_clap::EqInstance*>(plugin.plugin->plugin_data);
    auto& effect = dynamic_cast<EffectBaseX&>(instance.getEffect());
    constexpr std::uint32_t kFrames = 256;
    std::vector<float> audio(4 * kFrames, 0.25f);
    float* inputs[2] = {&audio[0], &audio[kFrames]};
    float* outputs[2] = {&audio[2 * kFrames], &audio[3 * kFrames]};
    ClapHost::InputEvents values;
    values.add(0, 3, 0.7);
    values.add(100, 5, 0.2);
    ClapHost::OutputEvents out(1000);
    std::atomic<bool> stop{false};
    std::atomic<long> taken{0};
    long blocks = 0, edits = 0;
    resetCounts();
    std::thread audioThread([&] {
        onAudioThread = true;
        for (; !stop.load(std::memory_order_relaxed); ++blocks) {
            plugin.process(inputs, outputs, kFrames, &values, &out);
            if (blocks % 8 == 0) {
                plugin.params->flush(plugin.plugin, values.list(), out.list());
            }
            taken.fetch_add(static_cast<long>(out.taken.size()), std::memory_order_relaxed);
            out.taken.clear();
        }
        onAudioThread = false;
    });
    std::uint32_t state = 3;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    for (; std::chrono::steady_clock::now() < until; ++edits) {
        const VstInt32 index = anyIndex(state);
        effect.beginEdit(index);
        effect.setParameterAutomated(index, anyValue(state));
        effect.endEdit(index);
        if (edits % 16 == 0) {
            EXPECT_EQ(plugin.state().size(), 76u);
        }
    }
    stop = true;
    audioThread.join();

    for (int call = 0; call < counted::kCalls; ++call) {
        EXPECT_EQ(counts[call].load(), 0u) << kCallNames[call] << " on the audio thread";
    }
    EXPECT_GT(blocks, 1000);
    EXPECT_GT(taken.load(), 1000) << "gestures reached the host while the audio thread ran";
}

}  // namespace
