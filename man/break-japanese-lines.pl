#!/usr/bin/perl
# Marks where groff may break a line of Japanese text: groff 1.22 breaks only
# at spaces, and Japanese has none, so a translated paragraph would run past
# the right margin. A zero-width break point (\:) goes after each Japanese
# character followed by another, a font change or a Latin word, except before
# closing punctuation, small kana and the long-vowel mark, which must not start
# a line; the examples (.EX to .EE) stay as written.
# After the title, lines are set flush left without hyphenation, as Japanese
# text is: stretching the few spaces would only leave holes.
use strict;
use warnings;
use utf8;
binmode(STDIN, ':encoding(UTF-8)');
binmode(STDOUT, ':encoding(UTF-8)');
my $japanese = qr/[\x{3000}-\x{30FF}\x{4E00}-\x{9FFF}\x{FF01}-\x{FF5E}…]/;
my $no_line_start = qr/[、。，．）」』】〕：；！？ー…ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ]/;
my $no_line_end = qr/[（「『【〔]/;
my $example = 0;
while (my $line = <STDIN>) {
  $example = 1 if $line =~ /^\.EX\b/;
  $example = 0 if $line =~ /^\.EE\b/;
  # Also before a font change or a Latin word, which Japanese text joins without a space.
  $line =~ s/($japanese)(?=$japanese|\\f|[A-Za-z0-9])(?!$no_line_start)/$1 =~ $no_line_end ? $1 : "$1\\:"/ge
    unless $example;
  print $line;
  print ".ad l\n.nh\n" if $line =~ /^\.TH\b/;
}
