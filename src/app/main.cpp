#include "app/startup.h"

int main(int argc, char** argv) {
    return varnel::runInstance(argc, argv);
}
