# The demonstration data (the emulator's table and the firmware stand-ins), generated at build
# time into the build tree and embedded into the binaries that need them. Nothing generated is
# kept in the repository.
set(TERVAN_DEMO_DATA_DIR ${CMAKE_BINARY_DIR}/generated/demo_data)
set(TERVAN_DEMO_DATA_FILES
  ${TERVAN_DEMO_DATA_DIR}/Emulation
  ${TERVAN_DEMO_DATA_DIR}/DSPFirmwareTV
  ${TERVAN_DEMO_DATA_DIR}/DSPFirmwareTV30)

if(NOT TARGET tervan_demo_data_gen)
  add_executable(tervan_demo_data_gen ${CMAKE_SOURCE_DIR}/generators/demo_data/DemoData.cpp)
endif()
add_custom_command(OUTPUT ${TERVAN_DEMO_DATA_FILES}
  COMMAND tervan_demo_data_gen ${TERVAN_DEMO_DATA_DIR}
  DEPENDS tervan_demo_data_gen
  COMMENT "Generating the demonstration data"
  VERBATIM)
add_custom_target(tervan_demo_data DEPENDS ${TERVAN_DEMO_DATA_FILES})

# tervan_demo_resources(<target>): embeds the three files under their names.
function(tervan_demo_resources target)
  tervan_resources(${target}
    Emulation=${TERVAN_DEMO_DATA_DIR}/Emulation
    DSPFirmwareTV=${TERVAN_DEMO_DATA_DIR}/DSPFirmwareTV
    DSPFirmwareTV30=${TERVAN_DEMO_DATA_DIR}/DSPFirmwareTV30)
  add_dependencies(${target}_resources tervan_demo_data)
endfunction()

if(TARGET instrument_tests)
  tervan_demo_resources(instrument_tests)
endif()
if(TARGET calibration_tests)
  tervan_demo_resources(calibration_tests)
endif()
