#include "d88cut.h"

int main(int argc, char** argv) { return runD88Cut(argc, argv); }
