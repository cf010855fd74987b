#include "tests/support/Lv2Bundle.h"

#include <cmath>

Lv2Bundle::Lv2Bundle(const std::string& bundleDir, const std::string& pluginUri) : lilvWorld(lilv_world_new())
{
    const std::string dir = bundleDir.empty() || bundleDir.back() == '/' ? bundleDir : bundleDir + "/";
    const LilvNode* bundle = keep(lilv_new_file_uri(lilvWorld, nullptr, dir.c_str()));
    lilv_world_load_bundle(lilvWorld, bundle);
    lilvPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lilvWorld), uri(pluginUri));
}

Lv2Bundle::~Lv2Bundle()
{
    for (LilvNode* node : nodes) {
        lilv_node_free(node);
    }
    lilv_world_free(lilvWorld);
}

const LilvNode* Lv2Bundle::keep(LilvNode* node)
{
    if (node) {
        nodes.push_back(node);
    }
    return node;
}

const LilvNode* Lv2Bundle::uri(const std::string& text) { return keep(lilv_new_uri(lilvWorld, text.c_str())); }

const LilvNode* Lv2Bundle::get(const LilvNode* subject, const std::string& predicate)
{
    return keep(lilv_world_get(lilvWorld, subject, uri(predicate), nullptr));
}

const LilvNode* Lv2Bundle::get(const LilvPort* port, const std::string& predicate)
{
    LilvNodes* found = lilv_port_get_value(lilvPlugin, port, uri(predicate));
    const LilvNode* first = found ? keep(lilv_node_duplicate(lilv_nodes_get_first(found))) : nullptr;
    lilv_nodes_free(found);
    return first;
}

std::vector<const LilvNode*> Lv2Bundle::all(const LilvNode* subject, const std::string& predicate)
{
    std::vector<const LilvNode*> objects;
    LilvNodes* found = lilv_world_find_nodes(lilvWorld, subject, uri(predicate), nullptr);
    LILV_FOREACH (nodes, i, found) {
        objects.push_back(keep(lilv_node_duplicate(lilv_nodes_get(found, i))));
    }
    lilv_nodes_free(found);
    return objects;
}

std::string Lv2Bundle::text(const LilvNode* node)
{
    if (!node) {
        return "";
    }
    return lilv_node_is_uri(node) ? lilv_node_as_uri(node) : lilv_node_as_string(node);
}

float Lv2Bundle::number(const LilvNode* node) { return node ? lilv_node_as_float(node) : std::nanf(""); }
