# Filled in as the piece is built.
