// diagram
