// The interface through which the host drives a plug-in's editor. Every operation
// has a harmless default, so an editor overrides only what it supports.
#pragma once

#include "host/VstAbi.h"

class EffectBase;

class EditorBase {
public:
    explicit EditorBase(EffectBase* effect);
    virtual ~EditorBase();

    virtual EffectBase* getEffect();                 // any thread
    virtual bool getRect(EditorRect** rect);         // host's UI thread
    virtual bool open(void* parent);                 // host's UI thread
    virtual void close();                            // host's UI thread
    virtual bool isOpen();                           // any thread
    virtual void idle();                             // host's UI thread
    virtual bool onKeyDown(VstKeyCode& keyCode);     // host's UI thread
    virtual bool onKeyUp(VstKeyCode& keyCode);       // host's UI thread
    virtual bool onWheel(float distance);            // host's UI thread
    virtual bool setKnobMode(VstInt32 mode);         // host's UI thread

    EditorBase(const EditorBase&) = delete;
    EditorBase& operator=(const EditorBase&) = delete;

protected:
    EffectBase* effect;    // the owning effect; not owned here
    void* systemWindow;    // the host's parent window while open, else null
};
