# The pictures of the soft keys (make_icons.py draws them), built into every program that
# links the widgets library. The names are the ones widgets/SoftKeyPanel.cpp asks for.
set(_softkey_icons
  measurement calibration average marker analysis files print
  stimulus scale channels trace dtf_settings system run_standby service)
set(_softkey_entries "")
foreach(icon IN LISTS _softkey_icons)
  list(APPEND _softkey_entries "softkey_${icon}.xpm=${CMAKE_CURRENT_LIST_DIR}/softkey_${icon}.xpm")
endforeach()
tervan_library_resources(tervan_widgets ${_softkey_entries})
