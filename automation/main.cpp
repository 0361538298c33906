// automation-hold: holds an automation object of a server of its own.
#include "run_hold.h"

int main(int argc, char** argv) { return hold::RunHold(argc, argv); }
