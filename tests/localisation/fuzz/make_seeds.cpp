// Writes the fuzzer's seed corpus: tables as the library's writers produce
// them, in both packet forms, into the folder given as the argument.
#include "localisation/datapacket.h"

#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    using qx::datapacket::Row;
    const std::vector<std::vector<Row>> tables = {
        {},
        {{"0", "\xb4\xed\xce\xf3", "", "", ""}, {"1", "m1", "one", "eins", "\xd2\xbb"}},
        {{"tfempdutydlg.caption", "\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0", "a&b<c>\"d", "x\r\ny", " "},
         {std::string(250, 'k'), std::string(250, '\xb1'), "", "", "z"}},
    };
    int n = 0;
    for (const auto& rows : tables) {
        std::ofstream(std::string(argv[1]) + "/seed" + std::to_string(n) + ".cds", std::ios::binary)
            << qx::datapacket::writeBinary(rows);
        std::ofstream(std::string(argv[1]) + "/seed" + std::to_string(n) + ".xml", std::ios::binary)
            << qx::datapacket::writeXml(rows);
        ++n;
    }
    return 0;
}
