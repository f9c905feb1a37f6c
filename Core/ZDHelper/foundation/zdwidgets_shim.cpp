#include "zdwidgets_shim.h"

QWidget* AfxGetMainWindow()
{
    return nullptr;
}
