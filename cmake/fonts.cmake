# Fonts made from the glyph source (font/glyphs.txt) by tools/font/make_font.py: QVX Mono, shipped
# beside the modules, and the stand-in for the display font that tests and pictures of that path
# use (never shipped).
#
# qvx_font(FILE FACE WEIGHT [LICENCE]): a rule, in the caller's folder, that makes the font FILE
# with the face name FACE and WEIGHT (bold or regular), and copies its licence to LICENCE when
# given.
function(qvx_font file face weight)
  set(script ${PROJECT_SOURCE_DIR}/tools/font/make_font.py)
  set(licence ${PROJECT_SOURCE_DIR}/font/OFL.txt)
  set(outputs ${file})
  set(licence_args)
  if(ARGC GREATER 3)
    list(APPEND outputs ${ARGV3})
    set(licence_args --licence ${ARGV3})
  endif()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${QVX_PYTHON3} ${script} --face ${face} --weight ${weight}
            --version ${PROJECT_VERSION} ${licence_args} ${QVX_GLYPHS} ${file}
    DEPENDS ${script} ${PROJECT_SOURCE_DIR}/tools/font/glyph_source.py ${QVX_GLYPHS} ${licence}
    COMMENT "Making the font ${face}"
    VERBATIM)
endfunction()
