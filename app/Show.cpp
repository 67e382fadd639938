#include "app/Show.h"

#include "app/Demo.h"

void buildShow(Demo*)
{
}
