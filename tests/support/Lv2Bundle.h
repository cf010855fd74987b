// An LV2 bundle read through lilv as a host reads it: a world holding the
// bundle's description alone, the plug-in of a URI in it, and the statements a
// test asks about, as nodes that live as long as this object.
#pragma once

#include <lilv/lilv.h>

#include <cstdint>
#include <string>
#include <vector>

class Lv2Bundle {
public:
    // The bundle folder `bundleDir` loaded; plugin() is null when it
    // describes no plug-in `pluginUri`.
    Lv2Bundle(const std::string& bundleDir, const std::string& pluginUri);
    ~Lv2Bundle();

    LilvWorld* world() const { return lilvWorld; }
    const LilvPlugin* plugin() const { return lilvPlugin; }
    const LilvPort* port(std::uint32_t index) const { return lilv_plugin_get_port_by_index(lilvPlugin, index); }

    // A URI; an object of (subject, predicate) or of a port's predicate (null
    // when there is none); the objects of (subject, predicate).
    const LilvNode* uri(const std::string& text);
    const LilvNode* get(const LilvNode* subject, const std::string& predicate);
    const LilvNode* get(const LilvPort* port, const std::string& predicate);
    std::vector<const LilvNode*> all(const LilvNode* subject, const std::string& predicate);

    // A node's text (a URI or literal), "" for null; its number, NaN for null.
    static std::string text(const LilvNode* node);
    static float number(const LilvNode* node);

    Lv2Bundle(const Lv2Bundle&) = delete;
    Lv2Bundle& operator=(const Lv2Bundle&) = delete;

private:
    const LilvNode* keep(LilvNode* node);

    LilvWorld* lilvWorld;
    const LilvPlugin* lilvPlugin = nullptr;
    std::vector<LilvNode*> nodes;
};
