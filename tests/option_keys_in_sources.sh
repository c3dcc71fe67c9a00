#!/usr/bin/env bash
# Every option key the sources name is one of the option table's: a string
# literal that holds KEY= (as a recipe line or a message gives it), or that
# is handed to a look-up of the option map, must name a key of the table
# (marl_options_doc keys). The command line's room (but for its batches)
# and the recipe writer name keys through key::... alone: a literal there
# that is a key fails too.
# The table's own room and the usage text, fixed as users have always seen
# it, are not searched.
set -euo pipefail
tool=$1 src=$2
keys=$("$tool" keys | cut -f1 | sed 's/=$//')
[ -n "$keys" ] || { echo "$tool keys printed no key"; exit 1; }

find "$src" \( -name '*.h' -o -name '*.cpp' \) ! -name '*_test.cpp' \
     ! -path "$src/options/*" ! -path "$src/driver/usage_text.cpp" -print0 |
  sort -z |
  KEYS="$keys" SRC="$src" xargs -0 perl -e '
    my %key = map { $_ => 1 } split /\n/, $ENV{KEYS};
    # A word of prose shaped like key=value that names no option, and
    # an option of another library given in its own syntax (asm= of x264).
    my %placeholder = (key => 1, asm => 1);
    my $bad = 0;
    for my $file (@ARGV) {
      open my $in, "<", $file or die "$file: $!";
      my $code = do { local $/; <$in> };
      (my $rel = $file) =~ s{^\Q$ENV{SRC}\E/?}{};
      my $strict = ($rel =~ m{^driver/} && $rel !~ /_batch/) ||
                   $rel eq "job/recipe.cpp";
      # Walk the text: comments, character literals and string literals,
      # each with the line it starts on and the code just before it.
      my $line = 1;
      while ($code =~ m{\G(.*?)(//[^\n]*|/\*.*?\*/|\x27(?:[^\x27\\\n]|\\.)*\x27|"((?:[^"\\\n]|\\.)*)")}gs) {
        my ($before, $token, $literal) = ($1, $2, $3);
        $line += ($before =~ tr/\n//);
        my $at = $line;
        $line += ($token =~ tr/\n//);
        next unless defined $literal;
        next if $before =~ /#\s*include\s*$/;
        my @named;
        while ($literal =~ /(?:^|[\s\x27(\[,])([A-Za-z][A-Za-z0-9]*)=(?!\\")/g) {
          push @named, $1 unless $placeholder{$1};
        }
        push @named, $literal
          if $before =~ /\b(?:\w*[mM]ap\w*|read\w*|check)\s*(?:\.|->)\s*(?:find|has|isFromFile|isFromPicture|fileValue|text|integer|real|channel|onOff|choice|report|refuse|refuseFromPicture)\(\s*$/;
        for my $name (@named) {
          next if $key{$name};
          print "$rel:$at: \"$literal\" names the key \x27$name\x27, which the option table lacks\n";
          $bad = 1;
        }
        if ($strict && ($key{$literal} || ($literal =~ /^(.+)=$/ && $key{$1}))) {
          print "$rel:$at: \"$literal\" spells a key: name it through key:: (options/option_keys.h)\n";
          $bad = 1;
        }
      }
    }
    exit $bad;
  '
