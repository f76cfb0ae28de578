#include "app/driver.h"

int main() {
    return runProgram();
}
