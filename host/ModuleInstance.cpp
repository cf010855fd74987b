#include "host/ModuleInstance.h"

void* moduleInstance = nullptr;

int storeModuleInstance(void* instance)
{
    moduleInstance = instance;
    return 1;
}
