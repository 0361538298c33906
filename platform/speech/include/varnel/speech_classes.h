// How a program makes the engine's classes known to the COM runtime (not a SAPI
// header): on Windows the registry names sapi.dll; here the program says so.
#pragma once

// Adds SAPI.SpVoice, SAPI.SpObjectTokenCategory, SAPI.SpStream, SAPI.SpFileStream
// and SAPI.SpMMAudioOut to the class table. A program calls it once at start-up,
// before it creates any of them; calling it again changes nothing.
void RegisterSpeechClasses();
