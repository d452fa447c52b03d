# The OpenGL loader is generated at build time from the generator's bundled registry
# (--reproducible keeps it offline), with only the extensions the game uses.
set(GLAD_OUT ${CMAKE_BINARY_DIR}/glad)
set(GLAD_EXTENSIONS GL_EXT_texture_compression_s3tc,GL_KHR_debug,GL_AMD_debug_output)
add_custom_command(
  OUTPUT ${GLAD_OUT}/src/gl.c ${GLAD_OUT}/include/glad/gl.h
  COMMAND /usr/bin/glad --quiet --reproducible --api gl:core=4.3
          --extensions ${GLAD_EXTENSIONS} --out-path ${GLAD_OUT} c --loader
  COMMENT "Generating the OpenGL 4.3 core loader"
  VERBATIM)
add_library(glad STATIC ${GLAD_OUT}/src/gl.c ${GLAD_OUT}/include/glad/gl.h)
target_include_directories(glad PUBLIC ${GLAD_OUT}/include)
target_link_libraries(glad PUBLIC ${CMAKE_DL_LIBS})
set_target_properties(glad PROPERTIES POSITION_INDEPENDENT_CODE ON)
