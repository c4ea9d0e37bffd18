#include "table_tool/table_tool.h"
#include "table_tool/text_codec.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    try {
        qx::tabletool::prepareConsole();
        std::vector<std::string> args(argv + 1, argv + argc);
        return qx::tabletool::run(args, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "qxtable: " << e.what() << "\n";
        return 1;
    }
}
