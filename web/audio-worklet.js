// The page's sound on the browser's audio thread: the music from the ring
// the game fills ahead, then the effects, mixed here from their samples at
// each start, clamped to -1..1, as the Linux build's callback mixes.
'use strict';

// Frames between reports: each asks the game to refill the ring.
const reportFrames = 1024;

class RuzozMix extends AudioWorkletProcessor {
  constructor() {
    super();
    this.ring = [];      // interleaved chunks, oldest first
    this.offset = 0;     // frames of ring[0] already played
    this.played = 0;     // frames taken from the ring
    this.time = 0;       // frames played in all
    this.started = false;
    this.underruns = 0;  // quanta the ring could not fill once started
    this.voices = new Map();  // id -> {samples, at}; at < 0: silent
    this.meter = null;   // for tests only: {peak, waiting}
    this.sinceReport = 0;
    this.port.onmessage = (event) => this.take(event.data);
  }

  take(message) {
    if (message.music) {
      this.ring.push(message.music);
      this.started = true;
    } else if (message.samples) {
      this.voices.set(message.voice, {samples: message.samples, at: -1});
    } else if (message.start !== undefined) {
      const voice = this.voices.get(message.start);
      if (voice) voice.at = 0;
      if (this.meter) this.meter.waiting = true;
    } else if (message.meter) {
      this.meter = {peak: 0, waiting: false};
    }
  }

  process(inputs, outputs) {
    const left = outputs[0][0], right = outputs[0][1];
    const frames = left.length;
    let done = 0;
    while (done < frames && this.ring.length) {
      const chunk = this.ring[0];
      const n = Math.min(frames - done, chunk.length / 2 - this.offset);
      for (let i = 0; i < n; ++i) {
        left[done + i] = chunk[2 * (this.offset + i)];
        right[done + i] = chunk[2 * (this.offset + i) + 1];
      }
      done += n;
      this.offset += n;
      if (this.offset * 2 >= chunk.length) {
        this.ring.shift();
        this.offset = 0;
      }
    }
    this.played += done;
    if (done < frames) {
      left.fill(0, done);
      right.fill(0, done);
      if (this.started) ++this.underruns;
    }
    let effect = 0;
    for (const voice of this.voices.values()) {
      if (voice.at < 0) continue;
      const samples = voice.samples;
      const n = Math.min(frames, samples.length / 2 - voice.at);
      for (let i = 0; i < n; ++i) {
        const l = samples[2 * (voice.at + i)], r = samples[2 * (voice.at + i) + 1];
        left[i] += l;
        right[i] += r;
        if (this.meter) effect = Math.max(effect, Math.abs(l), Math.abs(r));
      }
      voice.at += n;
      if (voice.at * 2 >= samples.length) voice.at = -1;
    }
    let peak = 0;
    for (let i = 0; i < frames; ++i) {
      left[i] = Math.min(1, Math.max(-1, left[i]));
      right[i] = Math.min(1, Math.max(-1, right[i]));
      if (this.meter) peak = Math.max(peak, Math.abs(left[i]), Math.abs(right[i]));
    }
    this.time += frames;
    if (this.meter) {
      this.meter.peak = Math.max(this.meter.peak, peak);
      if (this.meter.waiting && effect > 0.001) {
        this.meter.waiting = false;
        this.port.postMessage({heard: true});
      }
    }
    this.sinceReport += frames;
    if (this.sinceReport >= reportFrames) {
      this.sinceReport = 0;
      const report = {played: this.played, time: this.time, underruns: this.underruns};
      if (this.meter) report.peak = this.meter.peak;
      this.port.postMessage(report);
    }
    return true;
  }
}

registerProcessor('ruzoz-mix', RuzozMix);
