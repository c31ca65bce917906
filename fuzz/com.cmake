# The automation layer: IDispatch::Invoke of the four components with hostile
# DISPPARAMS. The components are loaded by activation, so the target links
# only the layer and names their library files.
vexo_fuzzer(invoke ${CMAKE_CURRENT_SOURCE_DIR}/invoke.cpp LIBS VexoCom VexoPlatform VexoCommon)
target_compile_definitions(invoke PRIVATE
  VEXO_DRAW_LIB="$<TARGET_FILE:VexoDX7Draw>" VEXO_INPUT_LIB="$<TARGET_FILE:VexoDX7Input>"
  VEXO_SOUND_LIB="$<TARGET_FILE:VexoDX7Sound>" VEXO_MUSIC_LIB="$<TARGET_FILE:VexoDX7Music>")
add_dependencies(invoke VexoDX7Draw VexoDX7Input VexoDX7Sound VexoDX7Music)
