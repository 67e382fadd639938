#include "fx/HexSetter.h"

#include "fx/HexFire.h"

bool HexSetter::isActive(float time)
{
    if (fired) return false;
    if (!(time > triggerTime)) return false;
    fired = true;
    target->setMode(mode);  // whether or not the grid itself is active now
    return true;
}
