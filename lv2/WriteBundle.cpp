// The build-time writer of the LV2 bundle's description: makes the effect as
// every face does, takes its initial program (values and name) and writes
// manifest.ttl, KorvoEQ.ttl and presets.ttl into the bundle's folder.
//   korvo_lv2_ttl BUNDLE_DIR MINOR_VERSION MICRO_VERSION [UI_BINARY]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "host/EffectBase.h"
#include "lv2/BundleDescription.h"

namespace {

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        std::fprintf(stderr, "korvo_lv2_ttl: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: korvo_lv2_ttl BUNDLE_DIR MINOR_VERSION MICRO_VERSION [UI_BINARY]\n");
        return 2;
    }
    const std::unique_ptr<EffectBase> effect(createEffect(nullptr));
    if (!effect) {
        std::fprintf(stderr, "korvo_lv2_ttl: the effect could not be made\n");
        return 1;
    }
    float initial[kNumParameters];
    for (int i = 0; i < kNumParameters; ++i) {
        initial[i] = effect->getParameter(i);
    }
    char name[kVstMaxProgNameLen + 1] = {};
    effect->getProgramName(name);

    korvo_lv2::BundleDescription description(initial, name, std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc == 5) {
        description.setUiBinary(argv[4]);
    }
    const std::string dir = std::string(argv[1]) + "/";
    using korvo_lv2::BundleDescription;
    return writeFile(dir + "manifest.ttl", description.manifest()) &&
                   writeFile(dir + BundleDescription::kDescriptionFile, description.description()) &&
                   writeFile(dir + BundleDescription::kPresetsFile, description.presets())
               ? 0
               : 1;
}
