// A program with one deliberate fault, for checking that the sanitizer build's test runner fails a
// test when a process the test started reports one (it ends with status 0 unless the report does).
//   faulty leak       loses a heap block
//   faulty overflow   overflows a signed integer
//   faulty heap       reads past the end of a heap block
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[]) {
    const char* fault = argc > 1 ? argv[1] : "";
    volatile int count = argc + 1000;
    if (std::strcmp(fault, "leak") == 0) {
        char* lost = static_cast<char*>(std::malloc(std::size_t(count)));
        lost[0] = 1;
        std::printf("%p\n", static_cast<void*>(lost));
        lost = nullptr;
    } else if (std::strcmp(fault, "overflow") == 0) {
        volatile int big = 0x7fffffff;
        std::printf("%d\n", big + count);
    } else if (std::strcmp(fault, "heap") == 0) {
        char* block = static_cast<char*>(std::calloc(std::size_t(count), 1));
        std::printf("%d\n", block[count]);
        std::free(block);
    }
    return 0;
}
