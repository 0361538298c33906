// The one application object of the program.
#include "VarnelApp.h"

CVarnelApp theApp;
