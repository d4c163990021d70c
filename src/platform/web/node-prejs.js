// The replay tool in node: FluidSynth's wasm module (copied next to this
// script) loads before main runs, as the page loads it before the game.
Module.preRun = Module.preRun || [];
Module.preRun.push(function () {
  const path = require('path').join(__dirname, 'libfluidsynth.js');
  addRunDependency('fluidsynth');
  const fluid = require(path);
  const ready = function () {
    Module.fluidSynth = fluid;
    removeRunDependency('fluidsynth');
  };
  if (fluid.calledRun) ready();
  else fluid.addOnPostRun(ready);
});
