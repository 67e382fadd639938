#pragma once
#include <cstdint>

// What the C++ side calls in the page: web/library.js defines these over web/sound.js and web/page.js.
extern "C" {
// Makes the page's canvas the current GL context, with the legacy GL emulation set up on it. 0 without WebGL.
int kiv_web_create_context();
// The show's clock in milliseconds: the audio clock, or the test hook's virtual clock.
uint32_t kiv_web_ticks();
// Tells the page that the show has ended, so that it brings its start screen back.
void kiv_web_show_ended();

// The music the page decoded under `name`: a handle above 0, or 0 when the page has none by that name.
int kiv_web_sound_open(const char* name);
// Starts the handle's music now on the audio clock, from its start, replacing any music playing.
void kiv_web_sound_play(int handle);
void kiv_web_sound_stop();
void kiv_web_sound_close(int handle);
}
