// The module's instance handle, kept by the platform's load routine.
#pragma once

// Stored on every call of the load routine; read by the editor to register its
// window class and load its bitmaps. Null where the platform has no load routine.
extern void* moduleInstance;

// What the load routine does on every call (load, unload and thread
// notifications alike): keep the handle. Answers success.
int storeModuleInstance(void* instance);
