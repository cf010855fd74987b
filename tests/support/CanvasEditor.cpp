#include "tests/support/CanvasEditor.h"

#include "eq/EqEffect.h"
#include "gui/GuiWindow.h"

CanvasEditor::CanvasEditor(const float* values)
{
    setGuiPlatform(&canvas);
    effect = std::make_unique<EqEffect>(nullptr);
    for (int i = 0; i < 10; ++i) effect->setParameter(i, values[i]);
    WindowHandle host = canvas.createTopLevelWindow(kWidth, kHeight, 0, 0);
    effect->getEditor()->open(host);
    child = static_cast<GuiWindow*>(effect->getEditor())->getWindow();
    canvas.sendMessage(child, kMessagePaint, 0, 0);
}

CanvasEditor::~CanvasEditor()
{
    effect.reset();
    setGuiPlatform(nullptr);
}
