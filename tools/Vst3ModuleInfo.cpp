// Writes a VST 3 bundle's Contents/Resources/moduleinfo.json from what the
// built module's factory says, so the description cannot drift from the code.
// The build runs it on the module it has just linked:
//   vst3-moduleinfo MODULE-BINARY MODULE-NAME OUTPUT
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/Vst3Module.h"

namespace {

std::string quoted(const char* text)
{
    std::string out = "\"";
    for (const char* c = text; *c; ++c) {
        if (*c == '"' || *c == '\\') {
            out += '\\';
        }
        out += *c;
    }
    return out + "\"";
}

const char* flag(bool set) { return set ? "true" : "false"; }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: vst3-moduleinfo MODULE-BINARY MODULE-NAME OUTPUT\n");
        return 2;
    }
    Vst3Module module(argv[1]);
    vst3::IPluginFactory2* factory = module.factory();
    if (!factory) {
        std::fprintf(stderr, "vst3-moduleinfo: %s\n", module.error().c_str());
        return 1;
    }
    vst3::PFactoryInfo info{};
    factory->getFactoryInfo(&info);

    std::ostringstream json;
    std::string moduleVersion;
    std::ostringstream classes;
    for (vst3::int32 i = 0; i < factory->countClasses(); ++i) {
        vst3::PClassInfo2 c{};
        if (factory->getClassInfo2(i, &c) != vst3::kResultOk) {
            std::fprintf(stderr, "vst3-moduleinfo: no information for class %d\n", static_cast<int>(i));
            return 1;
        }
        if (moduleVersion.empty()) {
            moduleVersion = c.version;
        }
        classes << "    {\n      \"CID\": \"" << Vst3Module::uidText(c.cid) << "\",\n"
                << "      \"Category\": " << quoted(c.category) << ",\n"
                << "      \"Name\": " << quoted(c.name) << ",\n"
                << "      \"Vendor\": " << quoted(c.vendor) << ",\n"
                << "      \"Version\": " << quoted(c.version) << ",\n"
                << "      \"SDKVersion\": " << quoted(c.sdkVersion) << ",\n"
                << "      \"Sub Categories\": [";
        std::istringstream categories(c.subCategories);
        std::string category;
        for (int n = 0; std::getline(categories, category, '|'); ++n) {
            classes << (n ? ", " : "") << quoted(category.c_str());
        }
        classes << "],\n      \"Class Flags\": " << c.classFlags << ",\n"
                << "      \"Cardinality\": " << c.cardinality << ",\n"
                << "      \"Snapshots\": []\n    }" << (i + 1 < factory->countClasses() ? "," : "") << "\n";
    }
    json << "{\n  \"Name\": " << quoted(argv[2]) << ",\n  \"Version\": " << quoted(moduleVersion.c_str()) << ",\n"
         << "  \"Factory Info\": {\n    \"Vendor\": " << quoted(info.vendor) << ",\n"
         << "    \"URL\": " << quoted(info.url) << ",\n    \"E-Mail\": " << quoted(info.email) << ",\n"
         << "    \"Flags\": {\n      \"Unicode\": " << flag(info.flags & vst3::PFactoryInfo::kUnicode) << ",\n"
         << "      \"Classes Discardable\": " << flag(info.flags & vst3::PFactoryInfo::kClassesDiscardable) << ",\n"
         << "      \"Component Non Discardable\": " << flag(info.flags & vst3::PFactoryInfo::kComponentNonDiscardable) << "\n    }\n  },\n"
         << "  \"Classes\": [\n" << classes.str() << "  ]\n}\n";

    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out << json.str();
    out.close();
    if (!out) {
        std::fprintf(stderr, "vst3-moduleinfo: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
