#pragma once

struct Demo;

// The one show the toolkit callbacks forward to.
extern Demo* currentDemo;

// Creates the full-screen, pointer-less window "kiv", registers the callbacks and sets the blend state.
// argc/argv go to the toolkit unchanged.
void initWindow(Demo* demo, int* argc, char** argv);
// Hands control to the toolkit's loop; returns only if the toolkit ever gives it back.
void runWindow();
// Stops and closes the music, closes sound and exits with status 0. Never returns.
[[noreturn]] void endShow();

void keyboardCallback(unsigned char key, int x, int y);
void reshapeCallback(int w, int h);
