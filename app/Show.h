#pragma once

struct Demo;

// Loads the show's four pictures from the working folder and appends its effects, in order, to demo->effects.
// Needs the window's GL context.
void buildShow(Demo* demo);

// Starts a show built by buildShow over, as at start-up: its effects made afresh, the grids' pseudo-random
// generator back at its start, the audio level at 1.0, the music not started and demo->time 0. The pictures
// are kept, not read again. The caller sets the clock's start.
void restartShow(Demo* demo);

// Deletes every effect of a show built by buildShow, and its pictures with their textures, leaving
// demo->effects empty. The desktop show never calls it (its effects live until the process ends); the page
// does before it builds the show again with the user's pictures.
void releaseShow(Demo* demo);
