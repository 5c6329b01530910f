#!/usr/bin/env python3
"""Writes the help pages "<topic>.hhf" next to this script: a 32-bit
little-endian byte count, then the text with CR LF line ends."""
import os
import struct

PAGES = {
    "dlg_anim": "Animation\n\nINIT / NAT switches between editing the initial state and the natural\n(rest) state; the scene goes back to frame 0. The next buttons go to\nframe 0, step back one frame (only while replaying a recording), step\none frame, and play or stop. REC cycles the recording mode. The small\nbutton beside it clears the recorded frames. The loop button turns\nlooping on and off; the field sets the loop length in frames (the\narrows step it by one).",
    "dlg_move": "Transform tool\n\nThree buttons put the view's manipulator into translate, rotate or\nscale mode on the selected Geo or Jel; only one stays pressed. With\nnothing selected the button pops up again. Press the pressed button\nagain to switch the manipulator off.",
    "dlg_cam": "Camera\n\nThe first button clears the camera and selection display modes. Pa,\nTi, Ra, Tr, Do and Zo choose what a drag in the view does: pan, tilt,\nraise, track, dolly or zoom; only one stays pressed. Fix POI keeps the\ncamera turning about its point of interest. Set POI aims the camera at\nthe current Jel's centre of mass or the current Geo. The narrow last\nbutton levels the camera (heading and elevation 0).",
    "dlg_lcd": "Logic display\n\nShows the values the logic lines produced in the last frame. Scroll\nwith the bar or the wheel.",
    "dlg_vhcl": "Vehicle\n\nSets up a vehicle: choose its body and wheels with the choosers and set\nthe motor, brake and steering limits in the fields.",
    "dlg_kfbc": "Key-frame bar\n\nEach mark is a key frame of the chosen object. Click a mark to go to it,\ndrag it to move it, use the buttons to add or delete keys.",
    "dlg_istate": "Initial State Editor\n\nEdits where a Jel (or ALL Jels, or a group) starts. State: chooses\nthe Initial state (frame 0) or the Natural state (the rest shape).\nFirst Fr and Last Fr set the Jel's frames (Last Fr 0: no end). Pos,\nVel and AVel move the centre of mass, set the mean velocity and the\nspin (degrees per second); velocities are 0 in the Natural state.\nPut On Floor: sets the lowest node at the height beside it; Clear Vel:\nstops every node; Align To Geo: re-places the bound Geos; Set Initial\nState: and Set Natural State: keep the live state as that state.\nDouble-click a slider's label to minimise its range.",
    "dlg_mat": "Matter Editor\n\nThe twelve matter values of the chosen Jel, written to its start\n(frame 0) and to its live state as you type or release a slider.\nF-Ratio is the sub-steps per frame; it never stays below what the\nmatter needs, and Elasticity and Damping end at the stable limits.\nSc_L, Sc_T and Density scale the lattice; Bulge keeps the volume;\nFriction is 0 to 1; Fx, Fy, Fz are a constant force (Fy -10 falls)\nand share one range; FlatZ flattens along z. Jels in replay are kept.\nDouble-click a slider's label to minimise its range.",
    "dlg_struct": "Jel structure\n\nShows and edits the springs and cells of the chosen Jel. Pick a display\nmode with the buttons; values apply when you press Enter.",
    "dlg_part": "Particles\n\nEdits the chosen particles of a Jel: position, mass and whether they are\nfixed. Select particles in the view first.",
    "dlg_hgrp": "Jel groups\n\nPuts Jels into groups so they can be chosen together. Tick a group box\nto add the chosen Jel to it, clear it to remove it.",
    "dlg_ggrp": "Geo groups\n\nPuts Geos into groups so they can be chosen together. Tick a group box\nto add the chosen Geo to it, clear it to remove it.",
    "dlg_edglue": "Glue\n\nJoins particles of two Jels. Choose the two Jels, select the particles\nin the view and press Glue; Unglue separates them again.",
    "dlg_edgeo": "Geo editor\n\nEdits the chosen Geo: its name, position, scale and the Jel it follows.\nType a value and press Enter to apply it.",
    "dlg_edgog": "Geo on Jel\n\nBinds a Geo's vertices to a Jel so the shape follows the soft body.\nChoose both, then press Bind.",
    "dlg_scene": "Scene\n\nSettings of the whole scene: gravity, time step, sub-steps and the\nbackground colour. Each field applies when you press Enter.",
    "dlg_kf": "Key frames\n\nAdds, moves and deletes key frames of the chosen object, and sets how\nthe motion between keys is interpolated.",
    "dlg_grend": "Geo render\n\nSets how the chosen Geo looks: material properties or a material\nscript, colours, shininess, display mode, UV set and texture.",
    "dlg_lights": "Lights\n\nChooses a light and sets its kind, colour, position and direction.\nThe view shows the change at once.",
    "dlg_walls": "Walls\n\nThe six limits of the box that forms the walls and floor. A lower limit\nmust stay below its upper limit; a value that breaks this is refused.",
    "hlp_whatgv": "What is Gelvane Demo?\n\nA program for building, editing and playing scenes of soft bodies\n(Jels) and the shapes drawn over them (Geos). Open a scene from the File\nmenu and press Play on the time bar to run it.",
    "hlp_cntlsoverview": "Controls overview\n\nThe menu bar holds File, Edit and Help. The choosers under it pick the\ndisplay of Geos and Jels and the frame rate. The time bar plays, stops\nand steps the simulation. Dialogs open from the editor bar; each has a\nhelp button that shows its page here.",
    "hlp_helpoverview": "Help overview\n\nEvery dialog has a help button: press it to show that dialog's page in\nthis window. Scroll with the bar at the right or the mouse wheel.",
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for topic, text in PAGES.items():
        data = text.replace("\n", "\r\n").encode("ascii") + b"\r\n"
        with open(os.path.join(here, topic + ".hhf"), "wb") as f:
            f.write(struct.pack("<I", len(data)) + data)


if __name__ == "__main__":
    main()
