// The floor for start-up: a program linked with FreeImage alone, printing its version.
#include <FreeImage.h>

#include <cstdio>

int main() {
    std::printf("%s\n", FreeImage_GetVersion());
    return 0;
}
