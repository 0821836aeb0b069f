// Plays the sound the page hands over in pieces, counting what has been played; says how far
// it has got every few render quanta, which is when the page hands over more.  A rate other
// than the song's is met by linear interpolation.
class VelastriaOutput extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.step = options.processorOptions.songRate / sampleRate;  // song frames per output frame
    this.pieces = [];       // [left Float32Array, right Float32Array]
    this.offset = 0;        // fractional frame within the first piece
    this.played = 0;        // song frames played
    this.quanta = 0;
    this.stopped = false;
    this.port.onmessage = (e) => {
      if (e.data.piece) this.pieces.push(e.data.piece);
      if (e.data.stop) { this.stopped = true; this.pieces = []; }
    };
  }
  frameAt(i, channel) {
    // Frame i after the current position, across piece boundaries.
    for (const p of this.pieces) {
      if (i < p[0].length) return p[channel][i];
      i -= p[0].length;
    }
    return 0;
  }
  process(inputs, outputs) {
    if (this.stopped) return false;
    const out = outputs[0];
    const n = out[0].length;
    for (let k = 0; k < n; k++) {
      if (this.pieces.length === 0) { out[0][k] = 0; if (out[1]) out[1][k] = 0; continue; }
      const whole = Math.floor(this.offset), frac = this.offset - whole;
      for (let c = 0; c < out.length && c < 2; c++) {
        const a = this.frameAt(whole, c), b = frac ? this.frameAt(whole + 1, c) : a;
        out[c][k] = a + (b - a) * frac;
      }
      this.offset += this.step;
      while (this.pieces.length && this.offset >= this.pieces[0][0].length) {
        this.offset -= this.pieces[0][0].length;
        this.played += this.pieces[0][0].length;
        this.pieces.shift();
      }
    }
    if (++this.quanta % 4 === 0) this.port.postMessage({ played: this.played + Math.floor(this.offset) });
    return true;
  }
}
registerProcessor('velastria-output', VelastriaOutput);
