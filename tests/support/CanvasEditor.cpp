#include "tests/support/CanvasEditor.h"

#include "eq/EqEffect.h"
#include "gui/GuiWindow.h"

CanvasEditor::CanvasEditor(const float* values, float scale)
{
    setGuiPlatform(&canvas);
    effect = std::make_unique<EqEffect>(nullptr);
    for (int i = 0; i < 10; ++i) effect->setParameter(i, values[i]);
    auto* editor = static_cast<GuiWindow*>(effect->getEditor());
    editor->chooseScale(scale);
    WindowHandle host = canvas.createTopLevelWindow(editor->getWidth(), editor->getHeight(), 0, 0);
    editor->open(host);
    child = editor->getWindow();
    canvas.sendMessage(child, kMessagePaint, 0, 0);
}

CanvasEditor::~CanvasEditor()
{
    effect.reset();
    setGuiPlatform(nullptr);
}
