# The channel-layout pictures of the Channels dialog (make_layout_icons.py draws them), built
# into every program that links the dialogs library.
set(_layout_entries "")
foreach(count 1 2 4)
  list(APPEND _layout_entries "channels_x${count}.xpm=${CMAKE_CURRENT_LIST_DIR}/channels_x${count}.xpm")
endforeach()
tervan_library_resources(tervan_dialogs ${_layout_entries})
