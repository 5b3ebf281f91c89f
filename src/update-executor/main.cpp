#include "update-executor/UpdateExecutor.h"

int main(int argc, char** argv) {
    Tarnwick::UpdateExecutor::SystemHost host(argc, argv);
    return Tarnwick::UpdateExecutor::Execute(argc, argv, host);
}
