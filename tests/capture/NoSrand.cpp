// Preloaded into a program, leaves rand()'s sequence where it is whatever srand is asked.
extern "C" void srand(unsigned int /*seed*/) {}
