# The sound component's user input: wave files.
vexo_fuzzer(wave_file wave_file.cpp LIBS VexoDX7Sound VexoPlatform VexoCommon)
