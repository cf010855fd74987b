#include "gui/EqEditor.h"

#include <algorithm>
#include <new>
#include <utility>

#include "eq/EqEffect.h"
#include "eq/ProgramBank.h"
#include "gui/ImageScaler.h"
#include "gui/KnobControl.h"
#include "gui/LedControl.h"

namespace {

constexpr std::int32_t kRowTop = 24;
constexpr std::int32_t kKnobSize = 26;
constexpr std::int32_t kLedSize = 8;
constexpr std::int32_t kFrameCount = 64;
constexpr float kGainDetentHalfWidth = 0.038f;
constexpr float kGainDetentCentre = 0.5f;

struct LedPlace {
    std::int32_t left;
    std::int32_t paramIndex;
};
constexpr LedPlace kLeds[] = {{136, 1}, {259, 3}, {423, 6}, {586, 9}};

struct KnobPlace {
    std::int32_t left;
    std::int32_t paramIndex;
    bool gain;
};
constexpr KnobPlace kKnobs[] = {{70, 0, false},  {111, 1, true},  {193, 2, false}, {234, 3, true},
                                {275, 4, false}, {357, 5, false}, {398, 6, true},  {439, 7, false},
                                {521, 8, false}, {562, 9, true}};

// The knob's mask made hard again after scaling (a pixel is inside the disc
// or not), and the frames black outside it, as the drawing needs: the mask
// ANDed onto the background leaves the disc black, the frame ORed in fills it.
void hardenMask(BmpImage& mask, BmpImage& strip)
{
    for (std::size_t k = 0; k < mask.pixels.size(); k += 3) {
        const unsigned char level = mask.pixels[k + 1] >= 128 ? 255 : 0;
        mask.pixels[k] = mask.pixels[k + 1] = mask.pixels[k + 2] = level;
    }
    const std::size_t frame = mask.pixels.size();
    for (std::size_t k = 0; frame > 0 && k < strip.pixels.size(); ++k) {
        if (mask.pixels[k % frame] != 0) {
            strip.pixels[k] = 0;
        }
    }
}

}  // namespace

EqEditor::EqEditor(EffectBase* owner) : EqEditor(owner, modulePlatform()) {}

EqEditor::EqEditor(EffectBase* owner, GuiPlatform& on)
    : GuiWindow(owner, kWidth, kHeight, on),
      backgroundImage(platform.loadBitmap(instance, kBackgroundId)),
      knobStrip(platform.loadBitmap(instance, kKnobStripId)),
      knobMask(platform.loadBitmap(instance, kKnobMaskId)),
      ledImage(platform.loadBitmap(instance, kLedId))
{
    backgroundBitmap = backgroundImage;
    hasBackground = backgroundImage != nullptr;

    if (ledImage) {
        for (const LedPlace& place : kLeds) {
            auto* led = new (std::nothrow) LedControl(place.left, kRowTop, ledImage);
            if (led) {
                led->paramIndex = place.paramIndex;
                addControl(led);
            }
        }
    }
    if (knobStrip && knobMask) {
        for (const KnobPlace& place : kKnobs) {
            auto* knob = new (std::nothrow)
                KnobControl(place.left, kRowTop, kKnobSize, kKnobSize, place.gain ? kGainDetentHalfWidth : 0.0f,
                            place.gain ? kGainDetentCentre : 0.0f, knobStrip, knobMask, kKnobSize, kFrameCount);
            if (knob) {
                knob->paramIndex = place.paramIndex;
                knob->defaultValue = kInitialValue;
                addControl(knob);
            }
        }
    }
}

void EqEditor::scaleChanged()
{
    const float s = getScale();
    const std::int32_t knobSize = scaled(kKnobSize);
    const std::int32_t led = scaled(kLedSize);
    // The drawing for 200 % serves every scale from 150 %, the one for 100 % the rest.
    BmpImage source[4];
    bool doubled = s >= 1.5f;
    for (std::int32_t k = 0; k < 4 && doubled; ++k) {
        doubled = platform.loadImage(instance, kBackgroundId + kDoubleSizeOffset + k, source[k]);
    }
    for (std::int32_t k = 0; k < 4 && !doubled; ++k) {
        if (!platform.loadImage(instance, kBackgroundId + k, source[k])) {
            return;  // no artwork to make: the editor keeps what it has
        }
    }
    BmpImage made[4];
    if (s == (doubled ? 2.0f : 1.0f)) {
        for (std::int32_t k = 0; k < 4; ++k) {
            made[k] = std::move(source[k]);
        }
    } else {
        made[0] = scaleImage(source[0], width, height);
        made[1] = scaleTiles(source[1], kFrameCount, knobSize, knobSize);
        made[2] = scaleImage(source[2], knobSize, knobSize);
        made[3] = scaleTiles(source[3], 2, led, led);
        hardenMask(made[2], made[1]);
    }
    BitmapHandle fresh[4] = {};
    for (std::int32_t k = 0; k < 4; ++k) {
        fresh[k] = platform.createBitmap(made[k]);
    }
    BitmapHandle dimmed = fresh[0] ? makeDimmed(made[0]) : nullptr;
    if (!fresh[0] || !fresh[1] || !fresh[2] || !fresh[3]) {
        if (dimmed) {
            platform.deleteObject(dimmed);
        }
        for (BitmapHandle bitmap : fresh) {
            if (bitmap) {
                platform.deleteObject(bitmap);
            }
        }
        return;
    }
    // The controls move to their places at the scale and draw from the new bitmaps.
    for (GuiControl* control : controls) {
        control->top = scaled(kRowTop);
        control->dirty = true;
        if (auto* knob = dynamic_cast<KnobControl*>(control)) {
            for (const KnobPlace& place : kKnobs) {
                knob->left = place.paramIndex == knob->paramIndex ? scaled(place.left) : knob->left;
            }
            knob->width = knob->height = knob->frameHeight = knobSize;
            knob->stripBitmap = fresh[1];
            knob->maskBitmap = fresh[2];
            knob->frameOffset = knob->offsetFor(knob->getValue());
        } else if (auto* lamp = dynamic_cast<LedControl*>(control)) {
            for (const LedPlace& place : kLeds) {
                lamp->left = place.paramIndex == lamp->paramIndex ? scaled(place.left) : lamp->left;
            }
            lamp->width = lamp->height = lamp->unlitOffset = led;
            lamp->ledBitmap = fresh[3];
        }
    }
    BitmapHandle* held[4] = {&backgroundImage, &knobStrip, &knobMask, &ledImage};
    for (std::int32_t k = 0; k < 4; ++k) {
        if (*held[k]) {
            platform.deleteObject(*held[k]);
        }
        *held[k] = fresh[k];
    }
    if (dimmedImage) {
        platform.deleteObject(dimmedImage);
    }
    dimmedImage = dimmed;
    backgroundBitmap = bypassShown && dimmedImage ? dimmedImage : backgroundImage;
    hasBackground = true;
}

BitmapHandle EqEditor::makeDimmed(BmpImage artwork)
{
    // What is lighter than the blue behind it (the letters) loses most of
    // that, and the blue stays as it is: no edge where the dimming starts.
    const std::int32_t from = scaled(kLogoLeft);
    for (std::int32_t y = 0; y < artwork.height; ++y) {
        for (std::int32_t x = from < 0 ? 0 : from; x < artwork.width; ++x) {
            unsigned char* pixel = &artwork.pixels[3 * (static_cast<std::size_t>(y) * artwork.width + x)];
            const int light = std::min({pixel[0], pixel[1], pixel[2]});
            const int taken = light > 60 ? (light - 60) * 3 / 4 : 0;
            for (int k = 0; k < 3; ++k) {
                pixel[k] = static_cast<unsigned char>(pixel[k] - taken);
            }
        }
    }
    return platform.createBitmap(artwork);
}

void EqEditor::effectShown()
{
    const auto* equaliser = dynamic_cast<const EqEffect*>(getEffect());
    const bool bypassed = equaliser && equaliser->isBypassed();
    if (bypassed == bypassShown) {
        return;
    }
    bypassShown = bypassed;
    for (GuiControl* control : controls) {
        if (auto* lamp = dynamic_cast<LedControl*>(control)) {
            lamp->setDark(bypassed);
        }
    }
    // The artwork at 100 % is dimmed the first time it is needed; at other
    // scales scaleChanged() made it with the rest.
    BmpImage artwork;
    if (!dimmedImage && backgroundImage && getScale() == 1.0f && platform.loadImage(instance, kBackgroundId, artwork)) {
        dimmedImage = makeDimmed(std::move(artwork));
    }
    if (!dimmedImage) {
        return;
    }
    // The whole window again, on the new artwork.
    backgroundBitmap = bypassed ? dimmedImage : backgroundImage;
    for (GuiControl* control : controls) {
        control->dirty = true;
    }
    if (window && platform.isWindowThread(window)) {
        platform.invalidateRect(window, clientRect);
    }
}

EqEditor::~EqEditor()
{
    for (BitmapHandle bitmap : {backgroundImage, knobStrip, knobMask, ledImage, dimmedImage}) {
        if (bitmap) {
            platform.deleteObject(bitmap);
        }
    }
}
