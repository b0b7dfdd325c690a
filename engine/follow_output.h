#pragma once
// The output while it follows a master: a MIDI clock (MIDI Sync with
// Follow MIDI Clock) or the JACK transport (Follow JACK Transport). What
// the master's messages mean for the priming, for the refill and for the
// tempo shown; engine/audio_output.cpp calls these from its tick.
//
// Threads: main thread.

#include <cstdint>

#include "engine/audio_output.h"

namespace tamboro {

enum class Following { None, MidiClock, JackTransport };
Following followingOf(const SongState& song);

// Takes what the MIDI input and the JACK transport passed on since the last look.
void takeFollowEvents(AudioOutput& out, const SongState& song);

// Renders the first half for what the master will begin with, and offers
// it to the master's messages; false when the first half cannot be
// written now. With `onlyWhenStale`, nothing happens while the first half
// already holds it.
bool primeFollowing(AudioOutput& out, SongState& song, bool onlyWhenStale);

// Takes back any priming offered to a master, before the first half is
// rendered for playback without following. False when a master began the
// playback with it.
bool takeBackFollowPriming(AudioOutput& out);

// While following, a half is rendered as late as is safe, so that as much
// as possible of the master is known when its steps are placed: once the
// callback is no more than followRefillLead frames from its end.
bool dueForFollowing(const AudioOutput& out);

// Renders the half that beginRefill gave (`half` 0 or 1) on the master's
// timeline as it stands now.
void refillFollowing(AudioOutput& out, SongState& song, int16_t* target, int half);

// The tempo the panel shows instead of the song's (0: the song's): the
// master's, while a followed playback runs (the JACK transport's only with
// a timebase master).
int16_t followedTempoOf(const AudioOutput& out, const SongState& song);

}  // namespace tamboro
