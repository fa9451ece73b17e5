#include "simulate/simulate.h"

int main(int argc, char** argv) { return gaussnet::simulate::sim_main(argc, argv); }
