#pragma once

struct Demo;

// Loads the show's four pictures from the working folder and appends its effects, in order, to demo->effects.
// Needs the window's GL context.
void buildShow(Demo* demo);
