#include "eq/FactoryPresets.h"

#include <cstring>

#include "eq/StateRecords.h"

namespace {

// A band left flat is written at the initial program's settings.
constexpr float kFlatLowShelf = 290.0f, kFlatPeak = 10100.0f, kFlatQ = 0.7f, kFlatHighShelf = 10000.0f;

// LS-Freq LS-Gain | A-Freq A-Gain A-Q | B-Freq B-Gain B-Q | HS-Freq HS-Gain
const FactoryPreset kPresets[] = {
    {"Vocal Presence", "a sung or spoken voice forward in a mix: presence lift, a little air, less proximity boom",
     {150.0f, -3.0f, 300.0f, -2.0f, 0.8f, 3500.0f, 4.0f, 0.9f, 11000.0f, 2.5f}},
    {"Podcast Voice", "speech on a close microphone: rumble and boxiness out, consonants clearer",
     {100.0f, -8.0f, 250.0f, -3.5f, 0.8f, 4000.0f, 3.0f, 0.8f, 10000.0f, 0.0f}},
    {"De-Mud", "a broad cut of the low mids that cloud a full mix or a dense track",
     {kFlatLowShelf, 0.0f, 350.0f, -5.0f, 0.7f, kFlatPeak, 0.0f, kFlatQ, kFlatHighShelf, 0.0f}},
    {"Tight Low End", "a tighter bass register: the sub kept, the boom around 150-250 Hz taken down",
     {60.0f, 2.5f, 200.0f, -5.0f, 1.0f, kFlatPeak, 0.0f, kFlatQ, kFlatHighShelf, 0.0f}},
    {"Kick Punch", "a kick drum: weight below 80 Hz, cardboard out, the beater's click up",
     {70.0f, 4.0f, 380.0f, -5.0f, 0.9f, 3500.0f, 4.0f, 1.0f, kFlatHighShelf, 0.0f}},
    {"Snare Crack", "a snare drum: body at 200 Hz, crack at 5 kHz, less low spill",
     {100.0f, -3.0f, 200.0f, 3.0f, 1.0f, 5000.0f, 4.5f, 0.9f, kFlatHighShelf, 0.0f}},
    {"Bass Clarity", "a bass guitar or synth bass heard on small speakers: mud out, growl and string noise up",
     {80.0f, 2.0f, 250.0f, -4.0f, 0.9f, 900.0f, 4.0f, 1.0f, kFlatHighShelf, 0.0f}},
    {"Acoustic Guitar", "a strummed acoustic guitar: less boom from the body, sparkle from the strings",
     {120.0f, -4.0f, 220.0f, -2.5f, 0.8f, 5000.0f, 3.0f, 0.8f, 12000.0f, 2.5f}},
    {"De-Harsh", "a harsh or shrill recording: the 2.5-4 kHz glare and the top end softened",
     {kFlatLowShelf, 0.0f, 3000.0f, -4.5f, 0.9f, kFlatPeak, 0.0f, kFlatQ, 8000.0f, -2.5f}},
    {"Air Lift", "brightness and air on vocals, strings or a bus, without touching the mids",
     {kFlatLowShelf, 0.0f, kFlatPeak, 0.0f, kFlatQ, kFlatPeak, 0.0f, kFlatQ, 12000.0f, 5.0f}},
    {"Warm Master", "a gentle tilt for a mix bus: a little more low end, a little less top",
     {120.0f, 2.0f, kFlatPeak, 0.0f, kFlatQ, 2500.0f, -2.0f, 0.5f, 10000.0f, -2.5f}},
    {"Loudness Contour", "listening at low level: lows and highs lifted as the ear loses them",
     {100.0f, 6.0f, kFlatPeak, 0.0f, kFlatQ, 3000.0f, -2.0f, 0.5f, 10000.0f, 4.0f}},
    {"Telephone Band", "the sound of a telephone line: what lies outside about 300 Hz-3.4 kHz cut away",
     {250.0f, -20.0f, 1800.0f, 6.0f, 0.4f, 100.0f, -15.0f, 0.7f, 5000.0f, -20.0f}},
    {"AM Radio", "an old radio or small speaker: thin lows, dull highs, a nasal midrange",
     {400.0f, -12.0f, 1200.0f, 5.0f, 0.7f, kFlatPeak, -12.0f, 0.5f, 5000.0f, -10.0f}},
};

constexpr int kCount = static_cast<int>(sizeof kPresets / sizeof kPresets[0]);

}  // namespace

int FactoryPresets::count() { return kCount; }

const FactoryPreset& FactoryPresets::at(int index) { return kPresets[index]; }

int FactoryPresets::find(const char* name)
{
    for (int i = 0; name && i < kCount; ++i) {
        if (std::strcmp(name, kPresets[i].name) == 0) {
            return i;
        }
    }
    return -1;
}

void FactoryPresets::values(int index, float (&out)[kNumParameters])
{
    for (int k = 0; k < kNumParameters; ++k) {
        out[k] = storedFromPlain(k, kPresets[index].plain[k]);
    }
}

void FactoryPresets::chunk(int index, unsigned char (&out)[sizeof(ProgramRecord)])
{
    std::memset(out, 0, sizeof out);
    std::strncpy(reinterpret_cast<char*>(out), kPresets[index].name, kProgramNameLength);
    float stored[kNumParameters];
    values(index, stored);
    for (int k = 0; k < kNumParameters; ++k) {
        std::uint32_t bits;
        std::memcpy(&bits, &stored[k], sizeof bits);
        StateRecords::putWord(out + kProgramNameLength + 4 * k, bits);
    }
}
