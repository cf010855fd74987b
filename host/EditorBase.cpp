#include "host/EditorBase.h"

EditorBase::EditorBase(EffectBase* owner) : effect(owner), systemWindow(nullptr) {}

EditorBase::~EditorBase() = default;

EffectBase* EditorBase::getEffect() { return effect; }

bool EditorBase::getRect(EditorRect** rect)
{
    if (rect) {
        *rect = nullptr;
    }
    return false;
}

bool EditorBase::open(void* parent)
{
    systemWindow = parent;
    return false;
}

void EditorBase::close() { systemWindow = nullptr; }

bool EditorBase::isOpen() { return systemWindow != nullptr; }

void EditorBase::idle() {}

bool EditorBase::onKeyDown(VstKeyCode&) { return false; }

bool EditorBase::onKeyUp(VstKeyCode&) { return false; }

bool EditorBase::onWheel(float) { return false; }

bool EditorBase::setKnobMode(VstInt32) { return false; }
