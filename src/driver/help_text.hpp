#pragma once
// The help texts printed by -h (and its aliases) and -ah. They only print;
// the caller stops the program afterwards.

namespace tarnavel {

class Console;

// The list of ordinary switches, in three pages separated by pauses.
void PrintHelp(Console& console);
// The advanced switches: Jacobians, delimiter, integrator, -OF and -y.
void PrintAdvancedHelp(Console& console);

}  // namespace tarnavel
