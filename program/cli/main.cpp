#include <iostream>

int main(int argc, char** argv) {
    (void)argv;
    if (argc < 2) {
        std::cerr << "usage: pelquor-cli COMMAND ...\n";
        return 2;
    }
    return 2;
}
