// VST 3 preset files (.vstpreset), as hosts read them from the preset folders:
// little-endian, a header, the chunks' data, and a list of the chunks.
//    0   4  'VST3'
//    4   4  format version, 1
//    8  32  the class id as 32 hexadecimal digits (the processor's class)
//   40   8  offset of the chunk list
//   48   .  chunk data; here the component state ('Comp'): the 64-byte
//           bank chunk the component's setState takes
//  list  4  'List'; 4 entry count; per entry 4 id, 8 offset, 8 size
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace korvo_vst3 {

class PresetFile {
public:
    // The class id as the header writes it: "B2FB7818255D45C088436741BCC11E47".
    static std::string classIdText();

    // A file holding `state` as its component state.
    static std::vector<unsigned char> write(const std::vector<unsigned char>& state);

    // The component state of a file for this plug-in's class; false with a
    // one-line reason (and `state` untouched) for a file that is cut short,
    // has another magic, version or class, or a chunk list or component chunk
    // that does not lie inside the file.
    static bool readComponentState(const std::vector<unsigned char>& bytes, std::vector<unsigned char>& state,
                                   std::string& error);
};

}  // namespace korvo_vst3
