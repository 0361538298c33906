#include "resources.h"

void RegisterVarnelResources()
{
    static const bool registered = [] {
        RegisterAboutDialog();
        RegisterMainDialog();
        RegisterStringTable();
        RegisterProgramIcon();
        return true;
    }();
    (void)registered;
}
