#include <cstdio>

// Until the main window exists, the program only announces itself.
int main()
{
    std::puts("Sonvale Data Manager");
    return 0;
}
