# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright 2026 The Palavine developers
# fish completion for palavine and "palavine list".

function __palavine_listing
    set -l words (commandline -opc)
    test (count $words) -ge 2; and test "$words[2]" = list
end

complete -c palavine -n 'not __palavine_listing' -f -a list -d 'list folders as a web page, no window'
complete -c palavine -n 'not __palavine_listing' -a '(__fish_complete_directories)'
complete -c palavine -n 'not __palavine_listing' -l help -d 'show the help'
complete -c palavine -n 'not __palavine_listing' -l version -d 'show the version'

complete -c palavine -n __palavine_listing -a '(__fish_complete_directories)'
complete -c palavine -n __palavine_listing -l no-subfolders -d 'read each FOLDER alone'
complete -c palavine -n __palavine_listing -l folders-from -r -F -d 'also read the folders named in FILE'
complete -c palavine -n __palavine_listing -s 0 -l null -d 'list files separate folders by NUL bytes'
complete -c palavine -n __palavine_listing -l filter -x -d 'only files with this extension'
complete -c palavine -n __palavine_listing -l remove-containing -x -d 'leave out files whose path holds TEXT'
complete -c palavine -n __palavine_listing -l remove-not-containing -x -d 'leave out files whose path lacks TEXT'
complete -c palavine -n __palavine_listing -l remove-folders-containing -x -d 'leave out the files of folders whose path holds TEXT'
complete -c palavine -n __palavine_listing -l remove-folders-not-containing -x -d 'leave out the files of folders whose path lacks TEXT'
complete -c palavine -n __palavine_listing -s o -l output -x -a '(__fish_complete_directories)' -d 'write DIR/FileList.html'
complete -c palavine -n __palavine_listing -l open -d 'open the page when written'
complete -c palavine -n __palavine_listing -l relative-links -d 'link each file by its path from the output folder'
complete -c palavine -n __palavine_listing -l font -x -d 'the page font'
complete -c palavine -n __palavine_listing -l color -x -d 'the text colour'
complete -c palavine -n __palavine_listing -l background -x -d 'the background colour'
complete -c palavine -n __palavine_listing -l settings -r -F -d 'take the stored font and colours from FILE'
complete -c palavine -n __palavine_listing -l no-settings -d 'use no stored options'
complete -c palavine -n __palavine_listing -s q -l quiet -d 'no progress and no summary'
complete -c palavine -n __palavine_listing -s h -l help -d 'show the help'
complete -c palavine -n __palavine_listing -l version -d 'show the version'
