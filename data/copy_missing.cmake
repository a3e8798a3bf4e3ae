# Copies each file of SRC into DST unless DST already has it.
file(GLOB files RELATIVE ${SRC} ${SRC}/*)
foreach(f ${files})
  if(NOT EXISTS ${DST}/${f})
    file(COPY ${SRC}/${f} DESTINATION ${DST})
  endif()
endforeach()
