# Strict warnings for every target of ours; third-party headers come in as SYSTEM includes.
function(inkorvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
endfunction()

# Component code and the public middleware headers must stay valid C++14, because the real
# middleware's headers do not compile as C++17.
function(inkorvane_component_standard target)
  set_target_properties(${target} PROPERTIES CXX_STANDARD 14 CXX_STANDARD_REQUIRED ON CXX_EXTENSIONS OFF)
endfunction()
