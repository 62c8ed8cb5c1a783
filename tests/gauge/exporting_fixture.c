/* A DLL built the way MinGW builds one by default, with no export marks: every global is
   exported. check_dll_image.py uses it to show that its export check can fail. */
int g_fixtureValue = 7;
int FixtureFunction(int x) { return x + g_fixtureValue; }
