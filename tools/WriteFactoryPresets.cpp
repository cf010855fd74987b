// The build-time writer of the factory presets as files, one per preset,
// named after it, from the one table (eq/FactoryPresets.h):
//   OUT_DIR/vst3/NAME.vstpreset  the VST 3 preset: the component state
//   OUT_DIR/fxp/NAME.fxp         the VST 2 program file
// Each state is what the effect itself answers once the preset is loaded into
// it, made as every face makes it (createEffect), so the files hold exactly
// what a host would save from the plug-in.
//   korvo_factory_presets OUT_DIR
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "eq/FactoryPresets.h"
#include "host/EffectBase.h"
#include "tools/PresetFile.h"
#include "tools/WholeFile.h"
#include "vst3/PresetFile.h"

namespace {

bool write(const std::filesystem::path& path, const std::vector<unsigned char>& bytes)
{
    std::string error;
    if (!writeWholeFile(path.string(), bytes.data(), bytes.size(), error)) {
        std::fprintf(stderr, "korvo_factory_presets: %s\n", error.c_str());
        return false;
    }
    return true;
}

std::vector<unsigned char> chunkOf(EffectBase& effect, bool program)
{
    void* data = nullptr;
    const VstInt32 size = effect.getChunk(&data, program);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return size > 0 && bytes ? std::vector<unsigned char>(bytes, bytes + size) : std::vector<unsigned char>();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvo_factory_presets OUT_DIR\n");
        return 2;
    }
    const std::filesystem::path out(argv[1]);
    std::error_code failed;
    for (const char* kind : {"vst3", "fxp"}) {
        // Files of presets renamed or removed from the table go too.
        std::filesystem::remove_all(out / kind, failed);
        std::filesystem::create_directories(out / kind, failed);
    }
    for (int i = 0; i < FactoryPresets::count(); ++i) {
        const std::unique_ptr<EffectBase> effect(createEffect(nullptr));
        if (!effect) {
            std::fprintf(stderr, "korvo_factory_presets: the effect could not be made\n");
            return 1;
        }
        unsigned char chunk[sizeof(ProgramRecord)];
        FactoryPresets::chunk(i, chunk);
        if (effect->setChunk(chunk, sizeof chunk, false) != static_cast<VstInt32>(sizeof chunk)) {
            std::fprintf(stderr, "korvo_factory_presets: the effect refused %s\n", FactoryPresets::at(i).name);
            return 1;
        }
        const std::string name = FactoryPresets::at(i).name;

        PresetData program;
        program.kind = PresetData::Kind::ProgramChunk;
        program.uniqueId = effect->getEffectRecord()->uniqueID;
        program.pluginVersion = effect->getEffectRecord()->version;
        program.programName = name;
        program.chunk = chunkOf(*effect, true);
        program.count = effect->getEffectRecord()->numParams;
        std::vector<unsigned char> fxp;
        std::string reason;
        if (!encodePreset(program, fxp, reason)) {
            std::fprintf(stderr, "korvo_factory_presets: %s: %s\n", name.c_str(), reason.c_str());
            return 1;
        }
        if (!write(out / "vst3" / (name + ".vstpreset"), korvo_vst3::PresetFile::write(chunkOf(*effect, false))) ||
            !write(out / "fxp" / (name + ".fxp"), fxp)) {
            return 1;
        }
    }
    return 0;
}
