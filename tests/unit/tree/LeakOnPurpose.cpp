// Leaks one block on purpose, for the check that the sanitizer build's reports name the
// functions they pass through: without a symbolizer (llvm-symbolizer, from Debian's llvm) a
// report gives only module offsets, and nobody can tell where a leak was made.
#include <cstdio>

__attribute__((noinline)) int* leakOnPurpose() {
    int* block = new int[8];
    block[0] = 8;
    return block;
}

int main() {
    int* block = leakOnPurpose();
    std::printf("made a block of %d ints and dropped it\n", block[0]);
    block = nullptr;
    return 0;
}
