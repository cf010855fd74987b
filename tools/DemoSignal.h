// The demo's built-in test signal: a few seconds each of pink noise, a
// logarithmic sine sweep and a drum-like burst pattern. Deterministic: the same
// samples on every run, its loudest sample at -3 dBFS.
#pragma once

#include "tools/AudioFile.h"

StereoAudio makeDemoSignal(int sampleRate);
