// peer_scenarios [OUT]: draws the peer scenarios over the platform in force
// and writes them to OUT (standard output when absent); reports each
// scenario on standard error. Exits 1 when a scenario raised.
#include <fstream>
#include <iostream>

#include "tests/peer/Scenarios.h"

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: peer_scenarios [OUT]\n";
        return 2;
    }
    int failed = 0;
    if (argc == 2) {
        std::ofstream out(argv[1], std::ios::binary);
        if (!out) {
            std::cerr << "FAIL  cannot write " << argv[1] << '\n';
            return 1;
        }
        failed = vexo::peer::DrawAll(out, std::cerr);
        out.close();
        if (!out) {
            std::cerr << "FAIL  writing " << argv[1] << '\n';
            return 1;
        }
    } else {
        failed = vexo::peer::DrawAll(std::cout, std::cerr);
    }
    return failed ? 1 : 0;
}
