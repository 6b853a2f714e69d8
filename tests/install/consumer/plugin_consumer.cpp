// Loads an installed plug-in with every symbol bound now, as a connector host would.
#include <dlfcn.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    if (dlopen(argv[1], RTLD_NOW | RTLD_LOCAL) == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    return 0;
}
