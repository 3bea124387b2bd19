// A library with one entry point, loaded by the module tests.
extern "C" __attribute__((visibility("default"))) int Vtr_FixtureAdd(int a, int b) { return a + b; }
