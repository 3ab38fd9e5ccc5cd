#include "saver/saverhost.h"

int main(int argc, char** argv) { return RunSaverHost(argc, argv); }
