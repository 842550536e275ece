# The two floppy images that bring VELMOD.COM to a DOS machine without a cable: a 1.44 MB
# disk for PC/AT drives and a 1.25 MB 2HD disk for PC-98s, each with a short README.TXT.
find_program(VELMO_MFORMAT mformat REQUIRED)
set(VELMOD_IMAGES)
foreach(kind_and_name "pcat;velmod-pcat.img" "pc98;velmod-pc98.hdm")
  list(GET kind_and_name 0 kind)
  list(GET kind_and_name 1 name)
  set(image ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_custom_command(
    OUTPUT ${image}
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/media/make_floppy.sh ${kind} ${image} ${VELMOD_COM}
            ${CMAKE_CURRENT_SOURCE_DIR}/media/README.TXT
    DEPENDS ${VELMOD_COM} ${CMAKE_CURRENT_SOURCE_DIR}/media/make_floppy.sh
            ${CMAKE_CURRENT_SOURCE_DIR}/media/README.TXT
    COMMENT "VELMOD: ${name}" VERBATIM)
  list(APPEND VELMOD_IMAGES ${image})
endforeach()
add_custom_target(velmod_images ALL DEPENDS ${VELMOD_IMAGES})
install(FILES ${VELMOD_IMAGES} DESTINATION ${CMAKE_INSTALL_DATADIR}/velmo/dos)
set(VELMOD_IMAGES_DIR ${CMAKE_CURRENT_BINARY_DIR} PARENT_SCOPE)
