/* A shared library without a plug-in entry point, for the loader's error report. */
int notAPluginFunction(void) { return 1; }
