# Compiler warnings and sanitizers shared by every target of the project.
function(lumidraft_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
endfunction()

function(lumidraft_sanitize target)
  if(LUMIDRAFT_SANITIZE AND NOT MSVC)
    target_compile_options(${target} PRIVATE -fsanitize=${LUMIDRAFT_SANITIZE} -fno-omit-frame-pointer
                                             -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${LUMIDRAFT_SANITIZE})
  endif()
endfunction()
