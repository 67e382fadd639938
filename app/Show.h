#pragma once

struct Demo;

// Loads the show's four pictures from the working folder and appends its effects, in order, to demo->effects.
// Needs the window's GL context.
void buildShow(Demo* demo);

// Deletes every effect of a show built by buildShow, and its pictures, leaving demo->effects empty.
// The show itself never calls it: its effects live until the process ends.
void releaseShow(Demo* demo);
