# stubs come later
