// The pixel peer check: graphics scenarios drawn by the graphics class over
// whichever platform is in force (the software platform on Linux, the
// system's DirectDraw on Windows), each destination read back by Lock.
// Both systems build this same source; scripts/peer-compare.py compares
// their outputs pixel for pixel.
#pragma once

#include <ostream>

namespace vexo::peer {

// Draws every scenario and writes, for each, a block
//   scenario NAME WIDTH HEIGHT BPP
//   status S1 S2 ...            (the calls' results, in order)
//   row V V V ...               (one line per row, hexadecimal pixels)
// Returns the number of scenarios that raised (each is also reported on
// `log`); a scenario that raised writes no block.
int DrawAll(std::ostream& out, std::ostream& log);

}  // namespace vexo::peer
