// automation-hold: creates an automation object in a server of its own and
// holds it until standard input ends or a console control event arrives.
#pragma once

namespace hold {

// The program's main: 0 after a hold, 1 for a failure or a wrong command line.
int RunHold(int argc, const char* const* argv);

}  // namespace hold
