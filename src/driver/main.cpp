#include "driver/app.h"

int main(int argc, char** argv) { return gaussnet::gaussnet_main(argc, argv); }
