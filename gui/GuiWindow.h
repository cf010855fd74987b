// The editor's window frame: the fixed-size child window inside the host's
// window, its ordered list of controls, mouse routing, drawing, and the values
// passed between the effect and the controls. Knows nothing of the window
// system beyond the platform seam.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "gui/GuiControl.h"
#include "gui/GuiPlatform.h"
#include "gui/ScaleMenu.h"
#include "gui/ValueField.h"
#include "gui/ValueLabel.h"
#include "host/EditorBase.h"

class GuiWindow : public EditorBase {
public:
    // On the module's platform (modulePlatform()).
    GuiWindow(EffectBase* effect, std::int32_t width, std::int32_t height);
    // On the given one, which must outlive the frame: the editor drawn off
    // screen on a software canvas, say, wherever the module's editors live.
    GuiWindow(EffectBase* effect, std::int32_t width, std::int32_t height, GuiPlatform& platform);
    ~GuiWindow() override;

    bool getRect(EditorRect** rect) override;  // host's UI thread
    bool open(void* parent) override;          // host's UI thread
    void close() override;                     // host's UI thread
    void idle() override;                      // host's UI thread: the window's events, then refresh()
    // The host's wheel over the window (effEditKeyDown's sibling in VST 2, the
    // view's onWheel in VST 3): whole notches, each one gesture, on the control
    // under the pointer. Host's UI thread, which is the window's.
    bool onWheel(float distance) override;
    // Keys a VST 2 host forwards (effEditKeyDown, effEditKeyUp), read by their
    // character; answer whether the editor used the key, so the host keeps
    // the others. Host's UI thread; nothing on another thread.
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;

    // ---- Keys. Every source of keys (the window's own, a host's forwarded
    // ones) comes here; answers whether the editor used the key. The window's
    // thread; nothing on another thread or while the editor is closed.
    bool typeKey(GuiKey named, std::uint32_t character);
    // Whether typeKey would use the key now (for a host's key-up).
    bool wantsKey(GuiKey named, std::uint32_t character) const;
    // A key a host gives as a character alone: Backspace, Enter, Escape and
    // Delete by their control codes, printable ASCII as itself; false for any other.
    static bool keyOfCharacter(std::uint32_t code, GuiKey& named, std::uint32_t& character);

    // The host's edit gesture on a parameter, for the controls: asks the effect
    // to ask its host (audioMasterBeginEdit, audioMasterEndEdit).
    void beginEdit(std::int32_t index);
    void endEdit(std::int32_t index);
    // Whether the mouse message being handled came with Shift or Ctrl held:
    // the controls then turn ten times finer.
    bool isFine() const { return fine; }

    // ---- Size. The editor draws at any scale from 1 to 3 (100 % to 300 %):
    // the user's choice from its size menu, else the host's (VST 3's content
    // scale), else the window system's for the host's window. The window's
    // thread, or the host's UI thread while the editor is closed.
    static constexpr float kMinimumScale = 1.0f;
    static constexpr float kMaximumScale = 3.0f;
    float getScale() const { return scale; }
    // A length of the editor at 100 % in window pixels at the scale now.
    std::int32_t scaled(std::int32_t length) const;
    // The user's size; 0 follows the host and the window system.
    void chooseScale(float choice);
    float getChosenScale() const { return chosenScale; }
    // The host's scale for the editor's contents; 0 when it gives none.
    void setHostScale(float factor);
    // The window system's scale for the host's window changed: chosen again.
    void systemScaleChanged();
    // Whoever asks the host to give the editor a new size while it is open.
    // Without one, the VST 2 host is asked (audioMasterSizeWindow).
    class Resizer {
    public:
        // Answers whether the host took the size.
        virtual bool resizeEditor(std::int32_t width, std::int32_t height) = 0;

    protected:
        ~Resizer() = default;
    };
    void setResizer(Resizer* resizer) { hostResizer = resizer; }
    std::int32_t getWidth() const { return width; }
    std::int32_t getHeight() const { return height; }
    // The value label and the size menu, as they stand (for the face's tests).
    const ValueLabel& getLabel() const { return label; }
    const ScaleMenu& getMenu() const { return menu; }
    const ValueField& getField() const { return field; }

    // The controls are the window's: only its thread (or, while it is closed,
    // the thread that opens and closes it) calls these. Other threads change
    // the effect's values, which the window picks up in refresh().
    // A control of the parameter moves when the value differs by more than 0.0001.
    void parameterChanged(std::int32_t index, float value);
    // Every control takes its parameter's value from the effect.
    void syncControls();
    // Draws the dirty controls, when the window is open and this is its thread.
    void redraw();
    // Brings every control to the effect's value, except the one being dragged,
    // and draws what changed. From the window's timer, about 30 times a second,
    // and from the host's idle calls.
    void refresh();

    // Appends a control; the frame owns it from now on.
    void addControl(GuiControl* control);
    // The first control, in list order, whose box strictly contains the point.
    GuiControl* controlAt(std::int32_t x, std::int32_t y);

    // The window procedure of the frame's class, on the window's thread.
    static std::intptr_t windowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam);
    std::intptr_t handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    GuiPlatform& getPlatform() { return platform; }
    // The platform a frame takes when it is given none: the installed one, else
    // the module's window system, else one that does nothing.
    static GuiPlatform& modulePlatform();
    WindowHandle getWindow() const { return window; }
    const std::list<GuiControl*>& getControls() const { return controls; }
    GuiControl* getHoverControl() const { return hoverControl; }
    GuiControl* getCaptureControl() const { return captureControl; }

    // Live frames in the module; the window class is registered while there are any.
    static std::int32_t liveFrames();
    static const char* const kClassName;
    // The window's timer for refresh(), and its period.
    static constexpr std::uintptr_t kRefreshTimer = 1;
    static constexpr std::uint32_t kRefreshMilliseconds = 33;
    // The window's timer that takes a refused value's reason away, and how long it stands.
    static constexpr std::uintptr_t kNoticeTimer = 2;
    static constexpr std::uint32_t kNoticeMilliseconds = 2000;

protected:
    void onPaint();
    // The scale changed: the editor makes its bitmaps for it and lays its
    // controls out in window pixels.
    virtual void scaleChanged();
    // After the controls took the effect's values (syncControls, refresh):
    // what the editor shows of the effect besides its parameters.
    virtual void effectShown() {}

    EditorRect rect;
    GuiRect clientRect;
    WindowHandle window = nullptr;
    Colour lineColour = 0x000000;
    Colour fillColour = 0xFAFAFA;
    Colour backgroundColour = 0x969696;
    std::int32_t baseWidth;   // at 100 %
    std::int32_t baseHeight;
    std::int32_t width;       // at the scale now
    std::int32_t height;
    float scale = 1.0f;
    BitmapHandle backgroundBitmap = nullptr;
    std::list<GuiControl*> controls;
    GuiControl* hoverControl = nullptr;
    GuiControl* captureControl = nullptr;
    bool hasBackground = false;
    bool fine = false;
    void* instance;
    GuiPlatform& platform;

private:
    void routeMove(std::int32_t x, std::int32_t y);
    void routePress(std::int32_t x, std::int32_t y);
    void routeRelease(std::int32_t x, std::int32_t y);
    void routeWheel(std::uintptr_t wParam, std::intptr_t lParam);
    void routeDoubleClick(std::int32_t x, std::int32_t y);
    void routeRightPress(std::int32_t x, std::int32_t y);
    // Answers whether the menu took the message.
    bool routeMenu(std::uint32_t message, std::int32_t x, std::int32_t y);
    // Answers whether the value field took the message.
    bool routeField(std::uint32_t message, std::int32_t x, std::int32_t y);
    // The parameter's value as the editor shows it: "1000.0 Hz".
    std::string valueText(std::int32_t index);
    void openField(GuiControl* control);
    // The field (or the reason shown in its place) goes; nothing is set.
    void closeField();
    // Sets the typed value, or shows why it cannot.
    void applyField();
    void giveFocusBack();
    void drawDirty(DeviceHandle device);
    void paintAll(DeviceHandle device);
    void drawImage(DeviceHandle device, const BmpImage& image, std::int32_t x, std::int32_t y);
    // Puts the label and the menu on the window as they should stand now.
    void updateOverlays(DeviceHandle device);
    // Puts the background and the controls back over a box.
    void uncover(DeviceHandle device, const GuiRect& box);
    void endDrag();
    // The scale the editor should have inside this parent (null: before it opens).
    float wantedScale(WindowHandle parent);
    void applyScale(float newScale);
    // Asks the host for the editor's size when it differs from what it has.
    void askHostForSize();
    // Nothing of the label and the menu is on a window.
    void forgetOverlays();

    float chosenScale = 0.0f;
    float hostScale = 0.0f;
    float systemScaleSeen = 0.0f;  // 0 when the system could not tell
    bool systemAsked = false;
    std::int32_t hostWidth;        // the size the host was last told
    std::int32_t hostHeight;
    Resizer* hostResizer = nullptr;
    ValueLabel label;
    ScaleMenu menu;
    GuiRect labelDrawn{0, 0, 0, 0};
    std::string labelDrawnText;
    GuiRect menuDrawn{0, 0, 0, 0};
    bool menuDirty = false;
    GuiControl* menuControl = nullptr;   // the knob the menu was opened over
    ValueField field;
    GuiControl* fieldControl = nullptr;  // the knob whose value is typed
    GuiRect fieldDrawn{0, 0, 0, 0};
    bool fieldDirty = false;
    bool focusTaken = false;             // the window took the keyboard for the field
    // The window is gone (destroyed by whoever): forget it.
    void forgetWindow();
};
