// querbal: soil-structure interaction of a frame of bars on shallow foundations.
#include <iostream>

#include "driver/run.h"

int main() { return qb::run_querbal(std::cin); }
