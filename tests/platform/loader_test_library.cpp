// A library for the loader's tests, of ABI 1 and version 3.17.
extern "C" int LoaderTestAbi() {
    return 1;
}

extern "C" const char* LoaderTestVersion() {
    return "3.17.0";
}
