# Peer checks: Python scripts (Debian's /usr/bin/python3 with numpy and scikit-rf) that compute
# reference values with an independent implementation. Each check lives in its own fragment
# tests/peer/<name>.peer.cmake, which adds its CTest test(s) named peer_<name>...
set(TERVAN_PEER_PYTHON /usr/bin/python3)
file(GLOB peer_fragments CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/peer/*.peer.cmake)
foreach(fragment ${peer_fragments})
  include(${fragment})
endforeach()
