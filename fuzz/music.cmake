# The music component's user input: standard MIDI files.
vexo_fuzzer(midi_song midi_song.cpp LIBS VexoDX7Music VexoPlatform VexoCommon)
