# Compiler settings shared by every target of the project.
add_library(tessel_options INTERFACE)
target_compile_options(tessel_options INTERFACE -Wall -Wextra)
target_include_directories(tessel_options INTERFACE ${PROJECT_SOURCE_DIR})
if(TESSEL_WERROR)
  target_compile_options(tessel_options INTERFACE -Werror)
endif()
if(TESSEL_SANITIZE)
  # GCC's flow analysis misreads the sanitizers' instrumentation and warns of
  # uninitialised values in the standard library (std::regex, std::function).
  target_compile_options(tessel_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -Wno-maybe-uninitialized)
  target_link_options(tessel_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
