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

# The demonstration calibration module's flash image "EcalFlash" (generators/ecal_flash), for the
# tests that attach an emulated module; the demonstration mode as users start it attaches none.
set(TERVAN_ECAL_FLASH_FILE ${TERVAN_DEMO_DATA_DIR}/EcalFlash)
if(NOT TARGET tervan_ecal_flash_gen)
  add_executable(tervan_ecal_flash_gen ${CMAKE_SOURCE_DIR}/generators/ecal_flash/EcalFlash.cpp)
  target_link_libraries(tervan_ecal_flash_gen PRIVATE tervan_model)
endif()
add_custom_command(OUTPUT ${TERVAN_ECAL_FLASH_FILE}
  COMMAND tervan_ecal_flash_gen ${TERVAN_ECAL_FLASH_FILE}
  DEPENDS tervan_ecal_flash_gen
  COMMENT "Generating the demonstration calibration module's flash image"
  VERBATIM)
add_custom_target(tervan_ecal_flash DEPENDS ${TERVAN_ECAL_FLASH_FILE})

# tervan_demo_resources(<target>): embeds the files under their names.
function(tervan_demo_resources target)
  tervan_resources(${target}
    Emulation=${TERVAN_DEMO_DATA_DIR}/Emulation
    DSPFirmwareTV=${TERVAN_DEMO_DATA_DIR}/DSPFirmwareTV
    DSPFirmwareTV30=${TERVAN_DEMO_DATA_DIR}/DSPFirmwareTV30
    EcalFlash=${TERVAN_ECAL_FLASH_FILE})
  add_dependencies(${target}_resources tervan_demo_data tervan_ecal_flash)
endfunction()

if(TARGET instrument_tests)
  tervan_demo_resources(instrument_tests)
endif()
if(TARGET calibration_tests)
  tervan_demo_resources(calibration_tests)
endif()
