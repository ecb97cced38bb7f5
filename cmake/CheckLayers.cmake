# Fails when an include runs against the layers, bottom up: the core (util/, search/),
# which includes no Qt header; trawlix-cli (cli/) over it; widgets/, the pieces every
# window uses; one folder per window (folders/, results/, progress/), none of which knows
# another; and app/, which alone knows the windows and wires them.
#
#   cmake -DSOURCE_DIR=... -P CheckLayers.cmake
set(qt "Q[A-Za-z]+|Qt[A-Za-z]*/|qt6?/")
set(above_core "widgets/|app/|folders/|results/|progress/|cli/")
set(forbidden_util "${qt}|${above_core}")
set(forbidden_search "${qt}|${above_core}")
set(forbidden_cli "${qt}|widgets/|app/|folders/|results/|progress/")
set(forbidden_widgets "app/|folders/|results/|progress/|cli/")
set(forbidden_folders "app/|results/|progress/|cli/")
set(forbidden_results "app/|folders/|progress/|cli/")
set(forbidden_progress "app/|folders/|results/|cli/")
foreach(layer util search cli widgets folders results progress)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${forbidden_${layer}})")
    if(hits)
      message(FATAL_ERROR "${source}: ${layer}/ may not include (${forbidden_${layer}}): ${hits}")
    endif()
  endforeach()
endforeach()
