template "Odedozida run"

# The segment's own tempo; the game sets 160 anyway and switches this off.
tempo 160
timesig 4/4
length 32

# Signposts: measure, signpost group; "cadence" puts the group's cadence
# chords right before it. The last span runs on into measure 1, so the
# ending leads back to the start through the cadence of group 1.
signpost 1  group 1 cadence
signpost 5  group 2
signpost 9  group 3
signpost 13 group 1 cadence
signpost 17 group 4
signpost 21 group 1 cadence
signpost 25 group 2
signpost 29 group 3

# Commands: measure, embellishment, groove level and its random range.
command 1  intro  groove 30
command 3  normal groove 40 range 5
command 10 fill   groove 40
command 11 normal groove 68 range 6
command 16 fill   groove 68
command 17 break  groove 50
command 21 normal groove 92 range 6
command 30 fill   groove 92
command 31 end    groove 92

end
