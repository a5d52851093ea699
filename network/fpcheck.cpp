#include "fpcheck.h"

void RaiseInvalidOp() {
    throw EMathError("Invalid floating point operation");
}
void RaiseDivByZero() {
    throw EMathError("Floating point division by zero");
}
void RaiseOverflow() {
    throw EMathError("Floating point overflow");
}
