// A shared library without DllGetClassObject, lying in a driver folder: the runtime must pass it by.
extern "C" __attribute__((visibility("default"))) int SonvaleNotADriver()
{
    return 1;
}
